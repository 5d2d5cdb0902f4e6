// The Zq record frame: a 64-byte frame header, the data section, and four trailing bytes that the
// total size counts. Offsets and fixed values of the header and of the remote-control data section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "afx/CString.h"

namespace zq {

inline constexpr std::size_t kFrameHeaderSize = 64;
inline constexpr std::size_t kTrailerSize = 4;
// Size of a record with an empty data section.
inline constexpr std::size_t kEmptyRecordSize = kFrameHeaderSize + kTrailerSize;

// Frame header fields.
inline constexpr std::size_t kProtocolVersionOffset = 0;
inline constexpr std::size_t kDataOffsetOffset = 2;
inline constexpr std::size_t kSyncPatternOffset = 4;
inline constexpr std::size_t kRecordSizeOffset = 8;
inline constexpr std::size_t kWord12Offset = 12;
inline constexpr std::size_t kWord16Offset = 16;
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

// Remote-control records (type 7500): a 24-byte remote-control header at the start of the data section.
inline constexpr std::uint32_t kRemoteControlRecordType = 7500;
inline constexpr std::size_t kRemoteControlHeaderSize = 24;
inline constexpr std::size_t kRemoteControlIdOffset = kFrameHeaderSize + 0;
inline constexpr std::size_t kTicketOffset = kFrameHeaderSize + 4;
inline constexpr std::size_t kTrackingNumberOffset = kFrameHeaderSize + 8;
inline constexpr std::size_t kRemoteControlPayloadOffset = kFrameHeaderSize + kRemoteControlHeaderSize;
inline constexpr std::size_t kRemoteControlRecordSize = kRemoteControlPayloadOffset + kTrailerSize;  // 92

// Single-value records of the 76xx family: one f32 at the start of the data section.
inline constexpr std::size_t kSingleValueRecordSize = kFrameHeaderSize + 4 + kTrailerSize;  // 72

// Remote-control ID of a single record request; its payload is the u32 record type wanted.
inline constexpr std::uint32_t kSingleRecordRequestId = 1050;

// The bytes of a record held in a string.
inline std::span<std::byte> RecordBytes(CString& record) {
  return std::as_writable_bytes(std::span(record.GetBuffer(), static_cast<std::size_t>(record.GetLength())));
}

}  // namespace zq

class KavoDataRecFrame {
 public:
  virtual ~KavoDataRecFrame() = default;

  // Sets buffer's length to totalSize, zeroes bytes 0 to 63 and writes the frame header there, with
  // the time stamp of time (host time). Writes nothing past byte 63; returns the first byte.
  char* BuildHeader(CString& buffer, std::uint32_t totalSize, std::uint32_t deviceId, double time,
                    std::uint16_t deviceEnum, std::uint32_t recordType, std::uint32_t word12,
                    std::uint32_t word16);
};
