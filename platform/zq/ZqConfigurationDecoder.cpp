// The setting sets and beam modes of a sonar's configuration XML, as device attributes.
#include "platform/zq/ZqConfigurationDecoder.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/COrvType.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"
#include "platform/zq/ZqXmlDocument.h"
#include "platform/zq/ZqXmlNumbers.h"

namespace {

constexpr std::size_t kXmlLengthOffset = zqwire::kFrameHeaderSize + 4;
constexpr std::size_t kXmlOffset = zqwire::kFrameHeaderSize + 8;

constexpr const char* kBeamModeKeys[][2] = {
    {"ZqMaxCoverage", "maxCoverage"}, {"GUIMinAngle", "minAngle"}, {"GUIMaxAngle", "maxAngle"}};

void AddDouble(CAttributeMap& map, const char* key, const pugi::xml_node& node, const char* attribute) {
  const auto value = ZqXmlNumbers::Double(node.attribute(attribute).value());
  if (value) map.Add(key, COrvDouble(*value));
}

void AddBool(CAttributeMap& map, const char* key, const pugi::xml_node& node, const char* attribute) {
  const auto value = ZqXmlNumbers::Flag(node.attribute(attribute).value());
  if (value) map.Add(key, COrvBool(*value));
}

void AddInt(CAttributeMap& map, const char* key, const pugi::xml_node& node, const char* attribute) {
  const auto value = ZqXmlNumbers::Integer(node.attribute(attribute).value());
  if (value && *value >= std::numeric_limits<int>::min() && *value <= std::numeric_limits<int>::max()) {
    map.Add(key, COrvInt(static_cast<int>(*value)));
  }
}

void AddDoubleList(CAttributeMap& map, const char* key, const pugi::xml_node& node, const char* attribute) {
  const pugi::xml_attribute list = node.attribute(attribute);
  if (!list) return;
  auto values = ZqXmlNumbers::DoubleList(list.value());
  if (values) map.Add(key, COrvDoubleList(std::move(*values)));
}

// "ZqMin" and "ZqMax" from the min and max of an element.
CAttributeMap Limits(const pugi::xml_node& node) {
  CAttributeMap limits;
  AddDouble(limits, "ZqMin", node, "min");
  AddDouble(limits, "ZqMax", node, "max");
  return limits;
}

// Appends the limits of element under key, when the setting set has that element.
void AppendLimits(CAttributeMap& settings, const char* key, const pugi::xml_node& set, const char* element) {
  const pugi::xml_node node = set.child(element);
  if (node) settings.Append(key, Limits(node));
}

CAttributeMap SonarSettings(const pugi::xml_node& set) {
  CAttributeMap settings;
  const pugi::xml_node range = set.child("Range");
  AddDoubleList(settings, "ZqRangeSet", range, "set");
  AppendLimits(settings, "ZqRange", set, "Range");
  AppendLimits(settings, "ZqPower", set, "Power");
  AppendLimits(settings, "ZqPulseLength", set, "PulseLength");

  if (const pugi::xml_node width = set.child("BeamWidth")) {
    CAttributeMap widths;
    AddBool(widths, "ZqVariable", width, "variable");
    AddDoubleList(widths, "ZqBeamWidthList", width, "list");
    settings.Append("ZqBeamWidthSetX", widths);
  }
  if (const pugi::xml_node steering = set.child("Steering")) {
    CAttributeMap steer;
    AddDouble(steer, "ZqMinX", steering, "minX");
    AddDouble(steer, "ZqMaxX", steering, "maxX");
    AddDouble(steer, "ZqMinZ", steering, "minZ");
    AddBool(steer, "ZqSteerable", steering, "steerable");
    settings.Append("ZqBeamSteer", steer);
  }
  if (const pugi::xml_node rate = set.child("PingRate")) {
    CAttributeMap pingRate;
    AddDouble(pingRate, "ZqMax", rate, "max");
    AddDouble(pingRate, "ZqRatio", rate, "ratio");
    AddBool(pingRate, "ZqFreeRun", rate, "freeRun");
    settings.Append("ZqPingRate", pingRate);
  }
  const pugi::xml_node gain = set.child("Gain");
  const pugi::xml_node fixedGain = set.child("FixedGain");
  if (gain || fixedGain) {
    CAttributeMap gains = gain ? Limits(gain) : CAttributeMap();
    if (fixedGain) {
      CAttributeMap fixed = Limits(fixedGain);
      AddBool(fixed, "ZqAvailable", fixedGain, "available");
      gains.Append("ZqFixed", fixed);
    }
    settings.Append("ZqGain", gains);
  }
  CAttributeMap frequency;
  AddInt(frequency, "ZqChirp", set, "chirp");
  AddDouble(frequency, "ZqCenterFreq", set, "centerFrequency");
  settings.Append("ZqFrequency", frequency);
  return settings;
}

// The swath limits of a beam mode.
CAttributeMap BeamModeLimits(const pugi::xml_node& mode) {
  CAttributeMap limits;
  for (const auto& [key, attribute] : kBeamModeKeys) AddDouble(limits, key, mode, attribute);
  return limits;
}

// The child map that read makes of each element of a table, at the place its number attribute says
// (0 to highest); places that no element has stay empty. An element without a readable number in
// that range is left out, and of two elements with one number the later counts.
template <typename Read>
std::vector<CAttributeMap> ByNumber(const pugi::xml_node& table, const char* element, const char* number,
                                    long long highest, Read read) {
  std::vector<CAttributeMap> maps;
  for (const pugi::xml_node node : table.children(element)) {
    const auto place = ZqXmlNumbers::Integer(node.attribute(number).value());
    if (!place || *place < 0 || *place > highest) continue;
    const auto index = static_cast<std::size_t>(*place);
    if (maps.size() <= index) maps.resize(index + 1);
    maps[index] = read(node);
  }
  return maps;
}

void RemoveEvery(CAttributeMap& attributes, const char* key) {
  while (attributes.Remove(key)) {
  }
}

}  // namespace

std::string ZqConfigurationDecoder::XmlText(std::span<const std::byte> record) {
  if (record.size() < kXmlOffset + zqwire::kTrailerSize) return {};
  const le::ByteReader reader(record.first(record.size() - zqwire::kTrailerSize));
  const std::uint32_t declared = reader.U32(kXmlLengthOffset).value_or(0);
  const std::size_t length = std::min<std::size_t>(declared, reader.Size() - kXmlOffset);
  const auto bytes = reader.Bytes(kXmlOffset, length);
  if (!bytes) return {};
  const auto* first = reinterpret_cast<const char*>(bytes->data());
  return {first, std::find(first, first + bytes->size(), '\0')};
}

bool ZqConfigurationDecoder::Decode(std::span<const std::byte> record, CAttributeMap& attributes) {
  const std::string text = XmlText(record);
  if (text.empty()) return false;
  CZqXMLParsor parser;
  parser.Set7003BiteInfo(text.c_str());
  const pugi::xml_node root = parser.document_->root;
  if (!root) return false;

  // The configuration view takes the setting set in use as the "ZqSonarSettings" entry whose place
  // is the device enum in the settings records: each set goes to the place of its device enum.
  const std::vector<CAttributeMap> sets =
      ByNumber(root.child("SETTINGS"), "SettingSet", "deviceEnum", kHighestDeviceEnum, SonarSettings);
  RemoveEvery(attributes, "ZqSonarSettings");
  for (const CAttributeMap& set : sets) attributes.Append("ZqSonarSettings", set);

  const std::vector<CAttributeMap> modes =
      ByNumber(root.child("BEAMMODES"), "BeamMode", "number", kHighestBeamMode, BeamModeLimits);
  RemoveEvery(attributes, "ZqBeamMode");
  for (const CAttributeMap& mode : modes) attributes.Append("ZqBeamMode", mode);

  int selected = 0;  // mode 0 when none is selected
  attributes.FindValue("ZqBeamModeSelection").GetValue(selected);
  if (selected >= 0 && static_cast<std::size_t>(selected) < modes.size()) {
    const CAttributeMap& limits = modes[static_cast<std::size_t>(selected)];
    for (const auto& [key, attribute] : kBeamModeKeys) {
      const COrvType& value = limits.FindValue(key);
      if (!value.IsEmpty()) attributes.Add(key, value);
    }
  }
  return true;
}
