// A configuration record's XML becomes the "ZqSonarSettings" child maps the configuration view reads
// and the "ZqBeamMode" swath limits; damaged records change nothing.
#include "platform/zq/ZqConfigurationDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/zq/ZqTestRecords.h"

namespace {

using zqtest::Bytes;
using zqtest::ConfigurationRecord;
using zqtest::Read;

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

TEST(ZqConfigurationDecoder, PlacesEachSettingSetAtItsDeviceEnumLeavingOutWhatCannotBeRead) {
  CAttributeMap attributes;
  attributes.Add("ZqSonarSettings")->Add("Old", COrvInt(1));
  attributes.Add("ZqSonarSettings");
  attributes.Add("ZqRange", COrvDouble(50.0));
  ASSERT_TRUE(ZqConfigurationDecoder::Decode(Bytes(ConfigurationRecord(kXml)), attributes));

  const CAttributeMap* first = attributes.Find("ZqSonarSettings", 0);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(first->Has("Old"));
  EXPECT_EQ(Read<std::vector<double>>(first, "ZqRangeSet"), (std::vector<double>{5.0, 10.0, 25.5}));
  EXPECT_EQ(Read<double>(first->GetAttrMap("ZqRange"), "ZqMax"), 500.0);
  EXPECT_EQ(Read<double>(first->GetAttrMap("ZqPulseLength"), "ZqMin"), 0.000015);
  EXPECT_EQ(Read<std::vector<double>>(first->GetAttrMap("ZqBeamWidthSetX"), "ZqBeamWidthList"),
            (std::vector<double>{0.5, 1.0, 2.0}));
  EXPECT_EQ(Read<double>(first->GetAttrMap("ZqBeamSteer"), "ZqMinZ"), -10.0);
  EXPECT_TRUE(Read<bool>(first->GetAttrMap("ZqBeamSteer"), "ZqSteerable"));
  EXPECT_FALSE(Read<bool>(first->GetAttrMap("ZqPingRate"), "ZqFreeRun"));
  ASSERT_NE(first->GetAttrMap("ZqGain"), nullptr);
  EXPECT_EQ(Read<double>(first->GetAttrMap("ZqGain"), "ZqMin"), 1.0);
  EXPECT_EQ(Read<double>(first->GetAttrMap("ZqGain")->GetAttrMap("ZqFixed"), "ZqMax"), 40.0);
  EXPECT_EQ(Read<int>(first->GetAttrMap("ZqFrequency"), "ZqChirp"), 1);
  EXPECT_EQ(Read<double>(first->GetAttrMap("ZqFrequency"), "ZqCenterFreq"), 200000.0);

  ASSERT_NE(attributes.Find("ZqSonarSettings", 1), nullptr);
  EXPECT_EQ(attributes.Find("ZqSonarSettings", 1)->GetCount(), 0);  // no set has device enum 1
  const CAttributeMap* second = attributes.Find("ZqSonarSettings", 2);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->Has("ZqRangeSet") || second->GetAttrMap("ZqRange")->Has("ZqMax"));
  EXPECT_EQ(Read<double>(second->GetAttrMap("ZqRange"), "ZqMin"), 2.0);
  EXPECT_EQ(second->GetAttrMap("ZqPower"), nullptr);
  ASSERT_NE(second->GetAttrMap("ZqGain"), nullptr);
  EXPECT_FALSE(second->GetAttrMap("ZqGain")->GetAttrMap("ZqFixed")->Has("ZqAvailable"));
  EXPECT_FALSE(second->GetAttrMap("ZqFrequency")->Has("ZqCenterFreq"));
  EXPECT_EQ(attributes.Find("ZqSonarSettings", 3), nullptr);  // no device enum, or one too high
  EXPECT_EQ(Read<double>(&attributes, "ZqRange"), 50.0);      // other entries stay
}

TEST(ZqConfigurationDecoder, BeamModesSitAtTheirNumberAndTheSelectedModesLimitsReachTheTop) {
  CAttributeMap attributes;
  attributes.Add("ZqBeamModeSelection", COrvInt(2));
  ASSERT_TRUE(ZqConfigurationDecoder::Decode(Bytes(ConfigurationRecord(kXml)), attributes));
  EXPECT_EQ(Read<double>(attributes.Find("ZqBeamMode", 0), "ZqMaxCoverage"), 140.0);
  ASSERT_NE(attributes.Find("ZqBeamMode", 1), nullptr);
  EXPECT_EQ(attributes.Find("ZqBeamMode", 1)->GetCount(), 0);  // the gap
  EXPECT_EQ(attributes.Find("ZqBeamMode", 3), nullptr);        // a number too high is left out
  EXPECT_EQ(Read<double>(&attributes, "ZqMaxCoverage"), 120.0);
  EXPECT_EQ(Read<double>(&attributes, "GUIMinAngle"), -60.0);
  EXPECT_EQ(Read<double>(&attributes, "GUIMaxAngle"), 60.0);

  CAttributeMap unselected;
  ASSERT_TRUE(ZqConfigurationDecoder::Decode(Bytes(ConfigurationRecord(kXml)), unselected));
  EXPECT_EQ(Read<double>(&unselected, "ZqMaxCoverage"), 140.0);  // mode 0
}

TEST(ZqConfigurationDecoder, TextStopsAtItsZeroItsLengthAndTheRecordAndDamageChangesNothing) {
  const std::string xml =
      R"(<ZqConfiguration><SETTINGS><SettingSet deviceEnum="0"/></SETTINGS></ZqConfiguration>)";
  EXPECT_EQ(ZqConfigurationDecoder::XmlText(Bytes(ConfigurationRecord(xml))), xml);
  EXPECT_EQ(ZqConfigurationDecoder::XmlText(Bytes(ConfigurationRecord(xml, 5))), "<ZqCo");
  // Declared far beyond the record, without a terminating zero: the text that is there, no trailer.
  const std::string unterminated = ConfigurationRecord(xml, 0xFFFFFFFF, false);
  EXPECT_EQ(ZqConfigurationDecoder::XmlText(Bytes(unterminated)), xml);
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

}  // namespace
