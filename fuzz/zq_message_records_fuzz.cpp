// Feeds arbitrary bytes as a whole record to the BITE, stored-events and event decoders. What they
// return must fit in the record: every board, field and event takes bytes of its own, and every
// character of a text at least one byte (a text read as Latin-1 has two bytes for some).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/zq/ZqMessageRecords.h"

namespace {

// The characters of a UTF-8 text: its bytes that are not continuation bytes (10xxxxxx).
std::size_t Characters(const std::string& text) {
  std::size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
  return characters;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto record = std::as_bytes(std::span(data, size));
  std::size_t biteBytes = 0;
  for (const ZqBiteBoard& board : ZqMessageRecords::DecodeBite(record)) {
    if (Characters(board.text) > 64) std::abort();
    biteBytes += 136 + 79 * board.fields.size();
  }
  if (biteBytes > 0 && 66 + biteBytes + 4 > size) std::abort();
  std::size_t eventBytes = 0;
  for (const ZqEvent& event : ZqMessageRecords::DecodeEventList(record))
    eventBytes += 22 + Characters(event.text);
  if (eventBytes > 0 && 76 + eventBytes + 4 > size) std::abort();
  const auto event = ZqMessageRecords::DecodeEvent(record);
  if (event && 78 + Characters(event->text) + 4 > size) std::abort();
  return 0;
}
