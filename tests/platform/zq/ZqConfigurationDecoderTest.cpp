// A configuration record's XML becomes the "ZqSonarSettings" child maps the configuration view reads
// and the "ZqBeamMode" swath limits; damaged records change nothing. Its hardware table of boards.
#include "platform/zq/ZqConfigurationDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/tavrin/AttributeMapJson.h"
#include "platform/zq/ZqHardwareTable.h"
#include "tests/platform/zq/ZqTestRecords.h"

namespace {

using zqtest::Bytes;
using zqtest::ConfigurationRecord;

constexpr const char* kXml = R"(<ZqConfiguration>
  <BEAMMODES>
    <BeamMode number="2" maxCoverage="120" minAngle="-60" maxAngle="60"/>
    <BeamMode number="0" maxCoverage="140" minAngle="-70" maxAngle="70"/>
    <BeamMode number="99999999999" maxCoverage="1"/>
  </BEAMMODES>
  <SETTINGS>
    <SettingSet deviceEnum="2" centerFrequency="four hundred" chirp="0">
      <Range min="2" max="lots" set="5 x"/>
      <FixedGain available="yes" max="30"/>
    </SettingSet>
    <SettingSet deviceEnum="0" centerFrequency="200000" chirp="1">
      <Range min="1" max="500" set="5 10 25.5"/>
      <Power min="0" max="220"/>
      <PulseLength min="0.000015" max="0.0005"/>
      <Gain min="1" max="83"/>
      <FixedGain available="1" min="0" max="40"/>
      <BeamWidth variable="1" list="0.5 1 2"/>
      <Steering minX="-30" maxX="30" minZ="-10" steerable="1"/>
      <PingRate max="50" ratio="1" freeRun="0"/>
    </SettingSet>
    <SettingSet centerFrequency="1"/>
    <SettingSet deviceEnum="256" centerFrequency="2"/>
  </SETTINGS>
</ZqConfiguration>)";

std::string Written(const CAttributeMap* map) {
  return map != nullptr ? WriteAttributeMapJson(*map) : "none";
}
std::string Written(const std::string& json) {
  CAttributeMap map;
  EXPECT_TRUE(ReadAttributeMapJson(json, map).ok) << json;
  return WriteAttributeMapJson(map);
}

// Each set at the place of its device enum (no set has 1; one without a device enum or with one too
// high is left out), without what cannot be read; the entries the record does not concern stay.
TEST(ZqConfigurationDecoder, PlacesEachSettingSetAtItsDeviceEnumLeavingOutWhatCannotBeRead) {
  CAttributeMap attributes;
  attributes.Add("ZqSonarSettings")->Add("Old", COrvInt(1));
  attributes.Add("ZqSonarSettings");
  attributes.Add("ZqRange", COrvDouble(50.0));
  ASSERT_TRUE(ZqConfigurationDecoder::Decode(Bytes(ConfigurationRecord(kXml)), attributes));
  EXPECT_EQ(Written(attributes.Find("ZqSonarSettings", 0)),
            Written(R"({"ZqRangeSet": {"doubles": [5, 10, 25.5]}, "ZqRange": {"map": {"ZqMin": {"double": 1},
      "ZqMax": {"double": 500}}}, "ZqPower": {"map": {"ZqMin": {"double": 0}, "ZqMax": {"double": 220}}},
      "ZqPulseLength": {"map": {"ZqMin": {"double": 0.000015}, "ZqMax": {"double": 0.0005}}},
      "ZqBeamWidthSetX": {"map": {"ZqVariable": {"bool": true}, "ZqBeamWidthList": {"doubles": [0.5, 1, 2]}}},
      "ZqBeamSteer": {"map": {"ZqMinX": {"double": -30}, "ZqMaxX": {"double": 30}, "ZqMinZ": {"double": -10},
                              "ZqSteerable": {"bool": true}}},
      "ZqPingRate": {"map": {"ZqMax": {"double": 50}, "ZqRatio": {"double": 1}, "ZqFreeRun": {"bool": false}}},
      "ZqGain": {"map": {"ZqMin": {"double": 1}, "ZqMax": {"double": 83},
                         "ZqFixed": {"map": {"ZqMin": {"double": 0}, "ZqMax": {"double": 40},
                                             "ZqAvailable": {"bool": true}}}}},
      "ZqFrequency": {"map": {"ZqChirp": {"int": 1}, "ZqCenterFreq": {"double": 200000}}}})"));
  EXPECT_EQ(Written(attributes.Find("ZqSonarSettings", 1)), "[]");
  EXPECT_EQ(Written(attributes.Find("ZqSonarSettings", 2)),
            Written(R"({"ZqRange": {"map": {"ZqMin": {"double": 2}}},
                        "ZqGain": {"map": {"ZqFixed": {"map": {"ZqMax": {"double": 30}}}}},
                        "ZqFrequency": {"map": {"ZqChirp": {"int": 0}}}})"));
  EXPECT_EQ(attributes.Find("ZqSonarSettings", 3), nullptr);
  EXPECT_EQ(attributes.FindValue("ZqRange"), COrvDouble(50.0));
}

// Beam modes sit at their number (a number too high is left out); the selected mode's limits (mode 0
// when none is selected) reach the top of the map.
TEST(ZqConfigurationDecoder, BeamModesSitAtTheirNumberAndTheSelectedModesLimitsReachTheTop) {
  for (const auto& [selected, coverage, lowest, highest] :
       {std::tuple(2, 120.0, -60.0, 60.0), {-1, 140, -70, 70}}) {
    CAttributeMap attributes;
    if (selected >= 0) attributes.Add("ZqBeamModeSelection", COrvInt(selected));
    ASSERT_TRUE(ZqConfigurationDecoder::Decode(Bytes(ConfigurationRecord(kXml)), attributes));
    EXPECT_EQ(Written(attributes.Find("ZqBeamMode", 0)),
              Written(R"({"ZqMaxCoverage": {"double": 140}, "GUIMinAngle": {"double": -70},
                          "GUIMaxAngle": {"double": 70}})"));
    EXPECT_EQ(Written(attributes.Find("ZqBeamMode", 1)), "[]");
    EXPECT_TRUE(attributes.Find("ZqBeamMode", 2) != nullptr && attributes.Find("ZqBeamMode", 3) == nullptr);
    EXPECT_EQ(attributes.FindValue("ZqMaxCoverage"), COrvDouble(coverage));
    EXPECT_EQ(attributes.FindValue("GUIMinAngle"), COrvDouble(lowest));
    EXPECT_EQ(attributes.FindValue("GUIMaxAngle"), COrvDouble(highest));
  }
}

// The text ends at its zero, its declared length or the record's end; a record with no text, damaged
// XML or another root changes nothing.
TEST(ZqConfigurationDecoder, TextStopsAtItsZeroItsLengthAndTheRecordAndDamageChangesNothing) {
  const std::string xml =
      R"(<ZqConfiguration><SETTINGS><SettingSet deviceEnum="0"/></SETTINGS></ZqConfiguration>)";
  EXPECT_EQ(ZqConfigurationDecoder::XmlText(Bytes(ConfigurationRecord(xml))), xml);
  EXPECT_EQ(ZqConfigurationDecoder::XmlText(Bytes(ConfigurationRecord(xml, 5))), "<ZqCo");
  const std::string unterminated = ConfigurationRecord(xml, 0xFFFFFFFF, false);
  EXPECT_EQ(ZqConfigurationDecoder::XmlText(Bytes(unterminated)), xml);  // no trailer either
  CAttributeMap read;
  EXPECT_TRUE(ZqConfigurationDecoder::Decode(Bytes(unterminated), read));
  EXPECT_NE(read.Find("ZqSonarSettings"), nullptr);

  CAttributeMap attributes;
  attributes.Add("ZqSonarSettings")->Add("ZqRangeSet", COrvDoubleList({5.0}));
  const CAttributeMap before = attributes;
  for (const std::string& record :
       {ConfigurationRecord(xml, 0), ConfigurationRecord(xml, 30), ConfigurationRecord(xml).substr(0, 71),
        ConfigurationRecord("<Other><SETTINGS/></Other>"), ConfigurationRecord("")}) {
    EXPECT_FALSE(ZqConfigurationDecoder::Decode(Bytes(record), attributes));
    EXPECT_TRUE(attributes == before);
  }
}

constexpr const char* kHardwareXml = R"(<ZqConfiguration>
  <HARDWARE>
    <Device name="TX1" id="36" available="1" angle="-30" displayName="Projector 200/400">
      <Frequency>200000</Frequency><Frequency>loud</Frequency><Frequency> 396000 </Frequency>
    </Device>
    <Device name="RX1" id="300" available="2"/>
    <Device name="TX1" id="37"/>
    <Device name="LONG" displayName="01234567890123456789012345678901234567890123456789012345678901é"/>
  </HARDWARE>
  <TX1/>
  <SETTINGS><HARDWARE/></SETTINGS>
</ZqConfiguration>)";

// The hardware table as the system messages view reads it: the first board of each name, in document
// order, with what its device entry says.
TEST(ZqHardwareTable, ListsTheFirstBoardOfEachNameAndNothingForTextThatIsNoConfiguration) {
  const auto boards = ZqHardwareTable::Read(kHardwareXml);
  ASSERT_EQ(boards.size(), 3u);
  EXPECT_EQ(std::tie(boards[0].name, boards[0].displayName, boards[0].id, boards[0].available),
            std::make_tuple("TX1", "Projector 200/400", 36, 1ul));
  EXPECT_EQ(static_cast<int>(boards[0].angle), -30);
  EXPECT_EQ(boards[0].frequencies, (std::vector<float>{200000.0F, 396000.0F}));
  // 300 is no board id.
  EXPECT_EQ(
      std::tie(boards[1].name, boards[1].displayName, boards[1].id, boards[1].available, boards[1].angle),
      std::make_tuple("RX1", "", 0, 2ul, 0ul));
  EXPECT_TRUE(boards[1].frequencies.empty());
  // 62 digits fit; the two bytes of the accented letter would leave no room for the zero.
  EXPECT_EQ(boards[2].displayName, "01234567890123456789012345678901234567890123456789012345678901");
  for (const char* xml : {"<ZqConfiguration><HARDWARE>", "<Other><HARDWARE/></Other>", ""})
    EXPECT_TRUE(ZqHardwareTable::Read(xml).empty()) << xml;
}

}  // namespace
