// Record bounds and time stamps for the system messages pages.
#include "views/messages/KavoMessageRecord.h"

#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"

namespace kavomsg {

namespace {

// The time stamp's fields, from the start of the frame header.
constexpr std::size_t kYearOffset = zqwire::kTimeStampOffset;
constexpr std::size_t kDayOffset = zqwire::kTimeStampOffset + 2;
constexpr std::size_t kSecondsOffset = zqwire::kTimeStampOffset + 4;
constexpr std::size_t kHoursOffset = zqwire::kTimeStampOffset + 8;
constexpr std::size_t kMinutesOffset = zqwire::kTimeStampOffset + 9;

}  // namespace

bool IsWholeRecord(std::span<const std::byte> bytes) {
  const auto size = le::ByteReader(bytes).U32(zqwire::kRecordSizeOffset);
  return bytes.size() >= zqwire::kMinRecordSize && size && *size >= zqwire::kMinRecordSize &&
         *size <= bytes.size();
}

std::span<const std::byte> RecordBytes(const unsigned char* record) {
  if (record == nullptr) return {};
  const auto* first = reinterpret_cast<const std::byte*>(record);
  const std::uint32_t size =
      *le::ByteReader(std::span(first, zqwire::kMinRecordSize)).U32(zqwire::kRecordSizeOffset);
  return {first, size};
}

tagTIMEZQ RecordTime(std::span<const std::byte> record) {
  const le::ByteReader reader(record);
  tagTIMEZQ time;
  time.year = reader.U16(kYearOffset).value_or(0);
  time.day = reader.U16(kDayOffset).value_or(0);
  time.seconds = reader.F32(kSecondsOffset).value_or(0.0F);
  time.hours = reader.U8(kHoursOffset).value_or(0);
  time.minutes = reader.U8(kMinutesOffset).value_or(0);
  return time;
}

}  // namespace kavomsg
