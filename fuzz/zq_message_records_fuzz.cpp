// Feeds arbitrary bytes as a whole record to the BITE, stored-events and event decoders. What they
// return must fit in the record: every board, field and event takes bytes of its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "zq/ZqMessageRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto record = std::as_bytes(std::span(data, size));
  std::size_t biteBytes = 0;
  for (const ZqBiteBoard& board : ZqMessageRecords::DecodeBite(record)) {
    if (board.text.size() > 64) std::abort();
    biteBytes += 136 + 79 * board.fields.size();
  }
  if (biteBytes > 0 && 66 + biteBytes + 4 > size) std::abort();
  std::size_t eventBytes = 0;
  for (const ZqEvent& event : ZqMessageRecords::DecodeEventList(record)) eventBytes += 22 + event.text.size();
  if (eventBytes > 0 && 76 + eventBytes + 4 > size) std::abort();
  const auto event = ZqMessageRecords::DecodeEvent(record);
  if (event && 78 + event->text.size() + 4 > size) std::abort();
  return 0;
}
