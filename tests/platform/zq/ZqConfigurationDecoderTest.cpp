// A configuration record's XML becomes the "ZqSonarSettings" child maps the configuration view reads
// and the "ZqBeamMode" swath limits; damaged records change nothing. The XML reader's tables, and what
// it reports of a board.
#include "platform/zq/ZqConfigurationDecoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/tavrin/AttributeMapJson.h"
#include "platform/zq/CZqXMLParsor.h"
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

struct Board {
  unsigned long found = 0;
  char name[CZqXMLParsor::kNameCapacity + 1] = {};  // one byte more, to see that it is not written
  bool hasName = true;
  unsigned char id = 99;
  std::vector<float> frequencies{1.0F};
  int ignored = 7;
  unsigned long available = 9;
  unsigned long angle = 9;
};

Board Describe(const CZqXMLParsor& parser, const char* device) {
  Board b;
  std::memset(b.name, 'x', sizeof(b.name));
  b.found = parser.GetHardwareDeviceInfo(device, b.name, &b.hasName, &b.id, &b.frequencies, &b.ignored,
                                         &b.available, &b.angle);
  return b;
}

TEST(CZqXMLParsor, FindsTopLevelTablesAndReportsTheFirstBoardOfAName) {
  CZqXMLParsor parser;
  EXPECT_EQ(parser.FindTable("HARDWARE"), 0u);  // nothing loaded yet
  parser.Set7003BiteInfo(kHardwareXml);
  EXPECT_TRUE(parser.FindTable("HARDWARE") != 0 && parser.FindTable("TX1") != 0);
  EXPECT_TRUE(parser.FindTable("RX1") == 0 && parser.FindTable("Device") == 0);

  const Board tx = Describe(parser, "TX1");
  EXPECT_NE(tx.found, 0u);
  EXPECT_STREQ(tx.name, "Projector 200/400");
  EXPECT_TRUE(tx.hasName && tx.id == 36);
  EXPECT_EQ(tx.frequencies, (std::vector<float>{200000.0F, 396000.0F}));
  EXPECT_TRUE(tx.ignored == 0 && tx.available == 1);
  EXPECT_EQ(static_cast<int>(tx.angle), -30);

  const Board rx = Describe(parser, "RX1");
  EXPECT_NE(rx.found, 0u);
  EXPECT_TRUE(std::strlen(rx.name) == 0 && !rx.hasName && rx.frequencies.empty());
  EXPECT_TRUE(rx.id == 0 && rx.available == 2 && rx.angle == 0);  // 300 is no board id

  const Board missing = Describe(parser, "SYS1");
  EXPECT_EQ(missing.found, 0u);
  EXPECT_TRUE(std::strlen(missing.name) == 0 && !missing.hasName && missing.frequencies.empty());
  EXPECT_EQ(missing.id + missing.available + missing.angle, 0u);

  // 62 digits fit; the two bytes of the accented letter would leave no room for the zero.
  const Board cut = Describe(parser, "LONG");
  EXPECT_EQ(std::string(cut.name),
            std::string("01234567890123456789012345678901234567890123456789012345678901"));
  EXPECT_EQ(cut.name[CZqXMLParsor::kNameCapacity], 'x');
}

TEST(CZqXMLParsor, TextThatIsNotAWellFormedConfigurationLeavesItEmpty) {
  for (const char* xml :
       {"<ZqConfiguration><HARDWARE>", "<Other><HARDWARE/></Other>", "", static_cast<const char*>(nullptr)}) {
    CZqXMLParsor parser;
    parser.Set7003BiteInfo(kHardwareXml);
    parser.Set7003BiteInfo(xml);
    EXPECT_EQ(parser.FindTable("HARDWARE"), 0u);
    EXPECT_EQ(Describe(parser, "TX1").found, 0u);
  }
}

}  // namespace
