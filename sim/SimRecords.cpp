// Data sections of the configuration, BITE and event records, written field by field at explicit
// offsets (offsets here count from the start of the data section, byte 64 of the record).
#include "sim/SimRecords.h"

#include <algorithm>
#include <limits>
#include <span>

#include "platform/tavrin/LittleEndian.h"

namespace simrecords {

namespace {

// Texts of events travel with a u16 length that counts their zero.
constexpr std::size_t kMaxEventText = std::numeric_limits<std::uint16_t>::max() - 1;

constexpr std::size_t kEventHeaderSize = 14;
constexpr std::size_t kEventTypeOffset = 8;
constexpr std::size_t kEventLengthOffset = 10;

constexpr std::size_t kEventListCountOffset = 8;
constexpr std::size_t kEventListEntriesOffset = 12;
constexpr std::size_t kEntryHeaderSize = 22;
constexpr std::size_t kEntryNumberOffset = 2;
constexpr std::size_t kEntryLengthOffset = 10;

std::span<std::byte> Writable(std::string& buffer) {
  return std::as_writable_bytes(std::span(buffer.data(), buffer.size()));
}

// Copies text into the zeroed fixed-size field at offset, cut so that a terminating zero remains.
void PutText(std::span<std::byte> buffer, std::size_t offset, std::string_view text) {
  const std::size_t length = std::min(text.size(), kTextFieldSize - 1);
  le::PutBytes(buffer, offset, text.data(), length);
}

std::string_view EventText(const SimEvent& event) {
  return std::string_view(event.text).substr(0, kMaxEventText);
}

}  // namespace

std::string ConfigurationData(std::uint32_t serialNumber, std::string_view xml) {
  std::string data(8 + xml.size() + 1, '\0');
  const auto bytes = Writable(data);
  le::PutU32(bytes, 0, serialNumber);
  le::PutU32(bytes, 4, static_cast<std::uint32_t>(xml.size() + 1));
  le::PutBytes(bytes, 8, xml.data(), xml.size());
  return data;
}

std::string BiteData(const std::vector<SimBoardReport>& boards) {
  const std::size_t boardCount =
      std::min<std::size_t>(boards.size(), std::numeric_limits<std::uint16_t>::max());
  std::size_t size = 2;
  for (std::size_t b = 0; b < boardCount; ++b)
    size += kBoardBlockSize + kBiteFieldSize * boards[b].fields.size();
  std::string data(size, '\0');
  const auto bytes = Writable(data);
  le::PutU16(bytes, 0, static_cast<std::uint16_t>(boardCount));
  std::size_t block = 2;
  for (std::size_t b = 0; b < boardCount; ++b) {
    const SimBoardReport& board = boards[b];
    PutText(bytes, block, board.text);
    le::PutU8(bytes, block + kBoardIdOffset, board.id);
    le::PutU8(bytes, block + kBoardFlagsOffset, board.flags);
    le::PutU16(bytes, block + kBoardFieldCountOffset, static_cast<std::uint16_t>(board.fields.size()));
    std::size_t field = block + kBoardBlockSize;
    for (const SimBiteReading& reading : board.fields) {
      PutText(bytes, field + kFieldNameOffset, reading.name);
      le::PutU8(bytes, field + kFieldKindOffset, reading.kind);
      le::PutF32(bytes, field + kFieldLowerOffset, reading.lower);
      le::PutF32(bytes, field + kFieldUpperOffset, reading.upper);
      le::PutF32(bytes, field + kFieldValueOffset, reading.value);
      field += kBiteFieldSize;
    }
    block = field;
  }
  return data;
}

std::string EventData(const SimEvent& event) {
  const std::string_view text = EventText(event);
  std::string data(kEventHeaderSize + text.size() + 1, '\0');
  const auto bytes = Writable(data);
  le::PutU32(bytes, 0, event.number);
  le::PutU16(bytes, kEventTypeOffset, event.type);
  le::PutU16(bytes, kEventLengthOffset, static_cast<std::uint16_t>(text.size() + 1));
  le::PutBytes(bytes, kEventHeaderSize, text.data(), text.size());
  return data;
}

std::string EventListData(const std::vector<SimEvent>& events) {
  std::size_t size = kEventListEntriesOffset;
  for (const SimEvent& event : events) size += kEntryHeaderSize + EventText(event).size() + 1;
  std::string data(size, '\0');
  const auto bytes = Writable(data);
  le::PutU32(bytes, kEventListCountOffset, static_cast<std::uint32_t>(events.size()));
  std::size_t entry = kEventListEntriesOffset;
  for (const SimEvent& event : events) {
    const std::string_view text = EventText(event);
    le::PutU16(bytes, entry, event.type);
    le::PutU32(bytes, entry + kEntryNumberOffset, event.number);
    le::PutU16(bytes, entry + kEntryLengthOffset, static_cast<std::uint16_t>(text.size() + 1));
    le::PutBytes(bytes, entry + kEntryHeaderSize, text.data(), text.size());
    entry += kEntryHeaderSize + text.size() + 1;
  }
  return data;
}

}  // namespace simrecords
