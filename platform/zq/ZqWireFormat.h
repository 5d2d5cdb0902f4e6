// What the sonar link knows of a Zq record on the wire: the frame header fields it reads, the size
// bounds and sync pattern it checks, and the checksum in the four trailing bytes. The simulated sonar
// builds its records with the same helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zqwire {

inline constexpr std::size_t kFrameHeaderSize = 64;
inline constexpr std::size_t kTrailerSize = 4;
inline constexpr std::size_t kMinRecordSize = kFrameHeaderSize + kTrailerSize;  // 68
inline constexpr std::size_t kMaxRecordSize = 16u * 1024u * 1024u;              // 16 MiB

inline constexpr std::size_t kProtocolVersionOffset = 0;
inline constexpr std::size_t kDataOffsetOffset = 2;
inline constexpr std::size_t kSyncPatternOffset = 4;
inline constexpr std::size_t kRecordSizeOffset = 8;
inline constexpr std::size_t kTimeStampOffset = 20;
inline constexpr std::size_t kRecordVersionOffset = 30;
inline constexpr std::size_t kRecordTypeOffset = 32;
inline constexpr std::size_t kDeviceIdOffset = 36;
inline constexpr std::size_t kDeviceEnumOffset = 42;
inline constexpr std::size_t kFlagsOffset = 48;

inline constexpr std::uint16_t kProtocolVersion = 5;
inline constexpr std::uint16_t kDataOffsetFromSync = 60;
inline constexpr std::uint32_t kSyncPattern = 0x0000FFFF;
inline constexpr std::uint16_t kRecordVersion = 1;
inline constexpr std::uint16_t kFlags = 1;

// Remote-control records (type 7500): the 24-byte remote-control header opens the data section.
inline constexpr std::uint32_t kRemoteControlRecordType = 7500;
inline constexpr std::size_t kRemoteControlIdOffset = kFrameHeaderSize;
inline constexpr std::size_t kRemoteControlPayloadOffset = kFrameHeaderSize + 24;

// Record types a sonar sends.
inline constexpr std::uint32_t kPingSettingsRecordType = 7000;
inline constexpr std::uint32_t kConfigurationRecordType = 7003;
inline constexpr std::uint32_t kBiteRecordType = 7021;
inline constexpr std::uint32_t kEventListRecordType = 7050;
inline constexpr std::uint32_t kEventRecordType = 7051;
inline constexpr std::uint32_t kSettingsOnRequestRecordType = 7503;

// The header fields of a record that the link and the decoders route by.
struct RecordHeader {
  std::uint32_t size = 0;
  std::uint32_t recordType = 0;
  std::uint32_t deviceId = 0;
  std::uint16_t deviceEnum = 0;
};

// The unsigned 32-bit sum of bytes, wrapping: the checksum of a record is this sum over every byte
// before its four trailing bytes.
std::uint32_t ByteSum(std::span<const std::byte> bytes);

// Writes the checksum into the trailing bytes of a complete record (its size field is not consulted:
// the record is all of bytes). Does nothing to a record shorter than a frame header and trailer.
void WriteChecksum(std::span<std::byte> record);
// Whether the trailing bytes of a complete record hold its checksum.
bool HasValidChecksum(std::span<const std::byte> record);

// Reads the routing fields of a record's header; fields that do not fit stay 0.
RecordHeader ReadHeader(std::span<const std::byte> record);

// Builds a whole record: frame header (time stamp of host time `time`), the data section given, and
// the checksum.
std::string BuildRecord(std::uint32_t recordType, std::uint32_t deviceId, std::uint16_t deviceEnum,
                        std::string_view dataSection, double time);

inline std::span<const std::byte> AsBytes(std::string_view text) {
  return std::as_bytes(std::span(text.data(), text.size()));
}

}  // namespace zqwire
