// Bounds-checked reading of the BITE and event records.
#include "platform/zq/ZqMessageRecords.h"

#include <algorithm>

#include "platform/tavrin/LittleEndian.h"
#include "platform/tavrin/SonarText.h"
#include "platform/zq/ZqWireFormat.h"

namespace {

// BITE record: board count, then board blocks of 136 bytes and 79 per field.
constexpr std::size_t kBoardCountOffset = 64;
constexpr std::size_t kFirstBoardOffset = 66;
constexpr std::size_t kBoardTextSize = 64;
constexpr std::size_t kBoardIdOffset = 64;
constexpr std::size_t kBoardFlagsOffset = 101;
constexpr std::size_t kFieldCountOffset = 102;
constexpr std::size_t kBoardBlockSize = 136;
constexpr std::size_t kFieldNameOffset = 2;
constexpr std::size_t kFieldNameSize = 64;
constexpr std::size_t kFieldKindOffset = 66;
constexpr std::size_t kFieldLowerOffset = 67;
constexpr std::size_t kFieldUpperOffset = 71;
constexpr std::size_t kFieldValueOffset = 75;
constexpr std::size_t kFieldSize = 79;

// Event record.
constexpr std::size_t kEventNumberOffset = 64;
constexpr std::size_t kEventTypeOffset = 72;
constexpr std::size_t kEventTextOffset = 78;

// Stored-events record: event count, then entries of 22 bytes and their text.
constexpr std::size_t kEventCountOffset = 72;
constexpr std::size_t kFirstEntryOffset = 76;
constexpr std::size_t kEntryTypeOffset = 0;
constexpr std::size_t kEntryNumberOffset = 2;
constexpr std::size_t kEntryTextLengthOffset = 10;
constexpr std::size_t kEntryTextOffset = 22;

// The record without its four trailing checksum bytes: the part the fields lie in.
le::ByteReader DataReader(std::span<const std::byte> record) {
  if (record.size() < zqwire::kMinRecordSize) return le::ByteReader(std::span<const std::byte>());
  return le::ByteReader(record.first(record.size() - zqwire::kTrailerSize));
}

// The text of at most length bytes at offset, up to its first zero; cut where the bytes end. Valid
// UTF-8 as SonarTextToUtf8 makes it.
std::string Text(const le::ByteReader& reader, std::size_t offset, std::size_t length) {
  if (offset > reader.Size()) return {};
  const auto bytes = reader.Bytes(offset, std::min(length, reader.Size() - offset));
  if (!bytes) return {};
  const auto* first = reinterpret_cast<const char*>(bytes->data());
  return SonarTextToUtf8({first, std::find(first, first + bytes->size(), '\0')});
}

std::optional<ZqBiteField> Field(const le::ByteReader& reader, std::size_t at) {
  if (!reader.Fits(at, kFieldSize)) return std::nullopt;
  ZqBiteField field;
  field.name = Text(reader, at + kFieldNameOffset, kFieldNameSize);
  field.kind = *reader.U8(at + kFieldKindOffset);
  field.lower = *reader.F32(at + kFieldLowerOffset);
  field.upper = *reader.F32(at + kFieldUpperOffset);
  field.value = *reader.F32(at + kFieldValueOffset);
  return field;
}

}  // namespace

std::vector<ZqBiteBoard> ZqMessageRecords::DecodeBite(std::span<const std::byte> record) {
  const le::ByteReader reader = DataReader(record);
  std::vector<ZqBiteBoard> boards;
  const std::uint16_t count = reader.U16(kBoardCountOffset).value_or(0);
  std::size_t at = kFirstBoardOffset;
  for (std::uint16_t b = 0; b < count && reader.Fits(at, kBoardBlockSize); ++b) {
    ZqBiteBoard board;
    board.text = Text(reader, at, kBoardTextSize);
    board.id = *reader.U8(at + kBoardIdOffset);
    board.flags = *reader.U8(at + kBoardFlagsOffset);
    const std::uint16_t fields = *reader.U16(at + kFieldCountOffset);
    at += kBoardBlockSize;
    bool complete = true;
    for (std::uint16_t f = 0; f < fields && complete; ++f, at += kFieldSize) {
      std::optional<ZqBiteField> field = Field(reader, at);
      complete = field.has_value();
      if (field) board.fields.push_back(std::move(*field));
    }
    boards.push_back(std::move(board));
    if (!complete) break;
  }
  return boards;
}

std::vector<ZqEvent> ZqMessageRecords::DecodeEventList(std::span<const std::byte> record) {
  const le::ByteReader reader = DataReader(record);
  std::vector<ZqEvent> events;
  const std::uint32_t count = reader.U32(kEventCountOffset).value_or(0);
  std::size_t at = kFirstEntryOffset;
  for (std::uint32_t e = 0; e < count && reader.Fits(at, kEntryTextOffset); ++e) {
    ZqEvent event;
    event.type = *reader.U16(at + kEntryTypeOffset);
    event.number = *reader.U32(at + kEntryNumberOffset);
    const std::uint16_t length = *reader.U16(at + kEntryTextLengthOffset);
    event.text = Text(reader, at + kEntryTextOffset, length);
    events.push_back(std::move(event));
    at += kEntryTextOffset + length;
  }
  return events;
}

std::optional<ZqEvent> ZqMessageRecords::DecodeEvent(std::span<const std::byte> record) {
  const le::ByteReader reader = DataReader(record);
  if (!reader.Fits(0, kEventTextOffset)) return std::nullopt;
  ZqEvent event;
  event.number = *reader.U32(kEventNumberOffset);
  event.type = *reader.U16(kEventTypeOffset);
  // The text runs to its zero, or to the end of the record: its length field is not needed to find it.
  event.text = Text(reader, kEventTextOffset, reader.Size());
  return event;
}
