// Feeds arbitrary bytes as a whole configuration record to the configuration decoder, writing into a
// map that holds entries it must replace, and to the hardware table reader. The XML text it extracts
// must lie inside the record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/zq/ZqConfigurationDecoder.h"
#include "platform/zq/ZqHardwareTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto record = std::as_bytes(std::span(data, size));
  CAttributeMap attributes;
  attributes.Add("ZqBeamModeSelection", COrvInt(1));
  attributes.Add("ZqSonarSettings")->Add("Stale", COrvInt(1));
  const std::string text = ZqConfigurationDecoder::XmlText(record);
  if (text.size() + 76 > size && !text.empty()) std::abort();
  if (ZqConfigurationDecoder::Decode(record, attributes)) {
    const CAttributeMap* first = attributes.Find("ZqSonarSettings");
    if (first != nullptr && first->Has("Stale")) std::abort();
  }
  (void)ZqHardwareTable::Read(text);
  return 0;
}
