// Writes the configuration XML as text, element by element, in the order the host's reader expects
// (hardware table, the boards' own tables, beam modes, setting sets).
#include "sim/SimConfigurationXml.h"

#include <string_view>

#include "sim/SimNumberText.h"

namespace {

std::string Escaped(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string Attribute(std::string_view name, std::string_view value) {
  return " " + std::string(name) + "=\"" + Escaped(value) + "\"";
}
std::string Attribute(std::string_view name, double value) {
  return Attribute(name, NumberText(value));
}
std::string Flag(std::string_view name, bool value) {
  return Attribute(name, value ? "1" : "0");
}

std::string List(const std::vector<double>& values) {
  std::string text;
  for (const double value : values) {
    if (!text.empty()) text += ' ';
    text += NumberText(value);
  }
  return text;
}

std::string Limits(std::string_view element, const SimLimits& limits) {
  return "      <" + std::string(element) + Attribute("min", limits.min) + Attribute("max", limits.max) +
         "/>\n";
}

void WriteHardware(const SimModel& model, std::string& xml) {
  xml += "  <HARDWARE>\n";
  for (const SimBoard& board : model.boards) {
    xml += "    <Device" + Attribute("name", board.shortName) + Attribute("id", board.id) +
           Attribute("available", "1") + Attribute("angle", board.angle);
    if (!board.displayName.empty()) xml += Attribute("displayName", board.displayName);
    if (board.frequenciesHz.empty()) {
      xml += "/>\n";
      continue;
    }
    xml += ">\n";
    for (const double frequency : board.frequenciesHz) {
      xml += "      <Frequency>" + NumberText(frequency) + "</Frequency>\n";
    }
    xml += "    </Device>\n";
  }
  xml += "  </HARDWARE>\n";
  for (const SimBoard& board : model.boards) xml += "  <" + board.shortName + "/>\n";
}

void WriteBeamModes(const SimModel& model, std::string& xml) {
  xml += "  <BEAMMODES>\n";
  for (std::size_t number = 0; number < model.beamModes.size(); ++number) {
    const SimBeamMode& mode = model.beamModes[number];
    xml += "    <BeamMode" + Attribute("number", static_cast<double>(number)) +
           Attribute("maxCoverage", mode.maxCoverageDeg) + Attribute("minAngle", mode.minAngleDeg) +
           Attribute("maxAngle", mode.maxAngleDeg) + "/>\n";
  }
  xml += "  </BEAMMODES>\n";
}

void WriteSettingSet(const SimSettingSet& set, unsigned deviceEnum, std::string& xml) {
  xml += "    <SettingSet" + Attribute("deviceEnum", deviceEnum) +
         Attribute("centerFrequency", set.centerFrequencyHz) + Flag("chirp", set.chirp) + ">\n";
  xml += "      <Range" + Attribute("min", set.rangeM.min) + Attribute("max", set.rangeM.max) +
         Attribute("set", List(set.rangeSetM)) + "/>\n";
  xml += Limits("Power", set.powerDb);
  xml += Limits("PulseLength", set.pulseLengthS);
  xml += Limits("Gain", set.gainDb);
  xml += "      <FixedGain" + Flag("available", set.fixedGainAvailable) +
         Attribute("min", set.fixedGainDb.min) + Attribute("max", set.fixedGainDb.max) + "/>\n";
  xml += "      <BeamWidth" + Flag("variable", set.beamWidthVariable) +
         Attribute("list", List(set.beamWidthListDeg)) + "/>\n";
  xml += "      <Steering" + Attribute("minX", set.steeringXDeg.min) +
         Attribute("maxX", set.steeringXDeg.max) + Attribute("minZ", set.steeringZDeg.min) +
         Attribute("maxZ", set.steeringZDeg.max) + Flag("steerable", set.steerable) + "/>\n";
  xml += "      <PingRate" + Attribute("max", set.pingRateMax) + Attribute("ratio", set.pingRateRatio) +
         Flag("freeRun", set.freeRun) + "/>\n";
  xml += "    </SettingSet>\n";
}

}  // namespace

std::string SimConfigurationXml(const SimModel& model, std::uint16_t baseDeviceEnum) {
  std::string xml = "<ZqConfiguration>\n";
  WriteHardware(model, xml);
  WriteBeamModes(model, xml);
  xml += "  <SETTINGS>\n";
  for (std::size_t i = 0; i < model.settingSets.size(); ++i) {
    WriteSettingSet(model.settingSets[i], baseDeviceEnum + static_cast<unsigned>(i), xml);
  }
  xml += "  </SETTINGS>\n";
  xml += "</ZqConfiguration>\n";
  return xml;
}
