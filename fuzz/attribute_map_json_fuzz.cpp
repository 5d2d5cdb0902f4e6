// Feeds arbitrary text to the attribute-map JSON reader; whatever it accepts must write back to a
// document that reads to the same map.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/tavrin/AttributeMapJson.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CAttributeMap map;
  if (!ReadAttributeMapJson(text, map).ok) return 0;
  CAttributeMap again;
  if (!ReadAttributeMapJson(WriteAttributeMapJson(map), again).ok) std::abort();
  return 0;
}
