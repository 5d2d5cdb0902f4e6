// Writing the Zq frame header.
#include "control/KavoDataRecFrame.h"

#include <cassert>

#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/LittleEndian.h"

char* KavoDataRecFrame::BuildHeader(CString& buffer, std::uint32_t totalSize, std::uint32_t deviceId,
                                    double time, std::uint16_t deviceEnum, std::uint32_t recordType,
                                    std::uint32_t word12, std::uint32_t word16) {
  assert(totalSize >= zq::kFrameHeaderSize && "a record holds at least its frame header");
  char* first = buffer.GetBufferSetLength(static_cast<int>(totalSize));
  const std::span<std::byte> header = std::as_writable_bytes(std::span(first, zq::kFrameHeaderSize));

  tagTIMEZQ stamp;
  CExTime::TimeToZqTime(time, &stamp);

  le::Zero(header, 0, zq::kFrameHeaderSize);
  le::PutU16(header, zq::kProtocolVersionOffset, zq::kProtocolVersion);
  le::PutU16(header, zq::kDataOffsetOffset, zq::kDataOffsetFromSync);
  le::PutU32(header, zq::kSyncPatternOffset, zq::kSyncPattern);
  le::PutU32(header, zq::kRecordSizeOffset, totalSize);
  le::PutU32(header, zq::kWord12Offset, word12);
  le::PutU32(header, zq::kWord16Offset, word16);
  CExTime::PutZqTime(header, zq::kTimeStampOffset, stamp);
  le::PutU16(header, zq::kRecordVersionOffset, zq::kRecordVersion);
  le::PutU32(header, zq::kRecordTypeOffset, recordType);
  le::PutU32(header, zq::kDeviceIdOffset, deviceId);
  le::PutU16(header, zq::kDeviceEnumOffset, deviceEnum);
  le::PutU16(header, zq::kFlagsOffset, zq::kFlags);
  return first;
}

CString zq::BuildRemoteControl(unsigned long id, const void* data, unsigned long length, int deviceId,
                               int deviceEnum, std::uint64_t trackingNumber) {
  CString record;
  KavoDataRecFrame().BuildHeader(record, static_cast<std::uint32_t>(length + kRemoteControlRecordSize),
                                 static_cast<std::uint32_t>(deviceId), CExTime::GetCurTime(),
                                 static_cast<std::uint16_t>(deviceEnum), kRemoteControlRecordType, 0, 0);
  const std::span<std::byte> bytes = RecordBytes(record);
  le::Zero(bytes, kFrameHeaderSize, kRemoteControlHeaderSize);
  le::PutU32(bytes, kRemoteControlIdOffset, static_cast<std::uint32_t>(id));
  le::PutU32(bytes, kTicketOffset, static_cast<std::uint32_t>(id));
  le::PutU64(bytes, kTrackingNumberOffset, trackingNumber);
  if (length != 0) le::PutBytes(bytes, kRemoteControlPayloadOffset, data, length);
  return record;
}
