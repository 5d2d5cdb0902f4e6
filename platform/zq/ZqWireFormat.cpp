// Checksums, header fields and whole records of the Zq wire format.
#include "platform/zq/ZqWireFormat.h"

#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/LittleEndian.h"

namespace zqwire {

std::uint32_t ByteSum(std::span<const std::byte> bytes) {
  std::uint32_t sum = 0;
  for (const std::byte b : bytes) sum += std::to_integer<std::uint32_t>(b);
  return sum;
}

void WriteChecksum(std::span<std::byte> record) {
  if (record.size() < kMinRecordSize) return;
  const std::size_t trailer = record.size() - kTrailerSize;
  le::PutU32(record, trailer, ByteSum(record.first(trailer)));
}

bool HasValidChecksum(std::span<const std::byte> record) {
  if (record.size() < kMinRecordSize) return false;
  const std::size_t trailer = record.size() - kTrailerSize;
  return le::ByteReader(record).U32(trailer) == ByteSum(record.first(trailer));
}

RecordHeader ReadHeader(std::span<const std::byte> record) {
  const le::ByteReader reader(record);
  RecordHeader header;
  header.size = reader.U32(kRecordSizeOffset).value_or(0);
  header.recordType = reader.U32(kRecordTypeOffset).value_or(0);
  header.deviceId = reader.U32(kDeviceIdOffset).value_or(0);
  header.deviceEnum = reader.U16(kDeviceEnumOffset).value_or(0);
  return header;
}

std::string BuildRecord(std::uint32_t recordType, std::uint32_t deviceId, std::uint16_t deviceEnum,
                        std::string_view dataSection, double time) {
  std::string record(kFrameHeaderSize + dataSection.size() + kTrailerSize, '\0');
  const std::span<std::byte> bytes = std::as_writable_bytes(std::span(record.data(), record.size()));
  tagTIMEZQ stamp;
  CExTime::TimeToZqTime(time, &stamp);
  le::PutU16(bytes, kProtocolVersionOffset, kProtocolVersion);
  le::PutU16(bytes, kDataOffsetOffset, kDataOffsetFromSync);
  le::PutU32(bytes, kSyncPatternOffset, kSyncPattern);
  le::PutU32(bytes, kRecordSizeOffset, static_cast<std::uint32_t>(record.size()));
  CExTime::PutZqTime(bytes, kTimeStampOffset, stamp);
  le::PutU16(bytes, kRecordVersionOffset, kRecordVersion);
  le::PutU32(bytes, kRecordTypeOffset, recordType);
  le::PutU32(bytes, kDeviceIdOffset, deviceId);
  le::PutU16(bytes, kDeviceEnumOffset, deviceEnum);
  le::PutU16(bytes, kFlagsOffset, kFlags);
  le::PutBytes(bytes, kFrameHeaderSize, dataSection.data(), dataSection.size());
  WriteChecksum(bytes);
  return record;
}

}  // namespace zqwire
