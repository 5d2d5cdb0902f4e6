// The Zq record frame: a 64-byte frame header, the data section, and four trailing bytes that the
// total size counts. Offsets and fixed values of the header and of the remote-control data section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/afx/CString.h"
#include "platform/zq/ZqWireFormat.h"

namespace zq {

// The frame header and the remote-control header are the wire format of the sonar link.
using namespace zqwire;

// Size of a record with an empty data section.
inline constexpr std::size_t kEmptyRecordSize = kMinRecordSize;

// Words of the frame header that the caller of BuildHeader supplies.
inline constexpr std::size_t kWord12Offset = 12;
inline constexpr std::size_t kWord16Offset = 16;

// Remote-control records (type 7500): a 24-byte remote-control header at the start of the data section.
inline constexpr std::size_t kRemoteControlHeaderSize = kRemoteControlPayloadOffset - kFrameHeaderSize;
inline constexpr std::size_t kTicketOffset = kFrameHeaderSize + 4;
inline constexpr std::size_t kTrackingNumberOffset = kFrameHeaderSize + 8;
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

namespace zq {

// A remote-control record (type 7500) to head (deviceId, deviceEnum), stamped now: frame header,
// remote-control header with id as ID and ticket and the tracking number, the length bytes of data,
// and the four trailing bytes, which the link fills.
CString BuildRemoteControl(unsigned long id, const void* data, unsigned long length, int deviceId,
                           int deviceEnum, std::uint64_t trackingNumber);

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
