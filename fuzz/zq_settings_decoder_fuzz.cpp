// Feeds arbitrary bytes as a whole settings record to the settings decoder. A record it accepts must
// give the three settings data block items, readable as their types.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/zq/ZqSettingsDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CAttributeMap attributes;
  const auto block = ZqSettingsDecoder::Decode(std::as_bytes(std::span(data, size)), attributes);
  if (!block) return 0;
  int index = -1;
  float range = 0.0F;
  std::uint16_t wholeRange = 0;
  double velocity = 0.0;
  if (!block->LookUp(699, 2, index) || !block->GetElement(index)->GetValue(range)) std::abort();
  if (!block->LookUp(609, 2, index) || !block->GetElement(index)->GetValue(wholeRange)) std::abort();
  if (!block->LookUp(401, 2, index) || !block->GetElement(index)->GetValue(velocity)) std::abort();
  return 0;
}
