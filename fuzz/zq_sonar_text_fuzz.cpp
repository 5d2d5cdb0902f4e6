// Feeds arbitrary bytes as a whole record to every decoder that turns a sonar's bytes into text: the
// event (7051), stored events (7050) and BITE results (7021), the directory and file names of the
// settings (7000), and the board names of the configuration's hardware table (7003). Every text must
// be valid UTF-8, which writing them all as JSON checks (it throws on anything else); and the text of
// bytes that are valid UTF-8 already must be those bytes.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/SonarText.h"
#include "platform/zq/ZqConfigurationDecoder.h"
#include "platform/zq/ZqHardwareTable.h"
#include "platform/zq/ZqMessageRecords.h"
#include "platform/zq/ZqSettingsDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto record = std::as_bytes(std::span(data, size));
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  nlohmann::json texts = nlohmann::json::array();

  const std::string whole = SonarTextToUtf8(raw);
  if (IsValidUtf8(raw) && whole != raw) std::abort();
  texts.push_back(whole);
  for (const ZqBiteBoard& board : ZqMessageRecords::DecodeBite(record)) {
    texts.push_back(board.text);
    for (const ZqBiteField& field : board.fields) texts.push_back(field.name);
  }
  for (const ZqEvent& event : ZqMessageRecords::DecodeEventList(record)) texts.push_back(event.text);
  if (const auto event = ZqMessageRecords::DecodeEvent(record)) texts.push_back(event->text);
  CAttributeMap attributes;
  if (ZqSettingsDecoder::Decode(record, attributes)) {
    for (const char* key : {"ZqDirectoryName", "ZqFileName"}) {
      CString name;
      if (!attributes.FindValue(key).GetValue(name)) std::abort();
      texts.push_back(name.Str());
    }
  }
  for (const ZqHardwareBoard& board : ZqHardwareTable::Read(ZqConfigurationDecoder::XmlText(record))) {
    texts.push_back(board.name);
    texts.push_back(board.displayName);
  }

  try {
    (void)texts.dump();
  } catch (const nlohmann::json::exception&) {
    std::abort();
  }
  return 0;
}
