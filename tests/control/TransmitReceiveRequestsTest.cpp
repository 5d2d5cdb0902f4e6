// Transmit and receive settings: frequencies in hertz, beam widths in radians, the gain exchange on a
// change of gain mode, the record request after a pulse type, and the order within one pass.
#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "ControlDeviceFixture.h"

namespace {

using TransmitReceiveRequests = ControlDeviceTest;
using Doubles = std::vector<std::pair<const char*, double>>;
const std::string kAskFor7503 = ExpectedRemoteControl(1050, "4f1d0000");

TEST_F(TransmitReceiveRequests, ValuesGoOutConvertedAndMissingOnesComeFromTheStoredSettings) {
  struct Case {
    Doubles stored, requested;
    std::string record;
  };
  const Case cases[] = {
      {{{"ZqFMFrequencyStart", 20.0}},
       {{"ZqFMFrequencyStop", 30.0}},
       ExpectedRemoteControl(1027, "00409c460060ea46")},
      {{}, {{"ZqCWFrequency", 12.5}}, ExpectedRemoteControl(1026, "00504346")},
      // 12.3456789 kHz is rounded to single precision before scaling: scaled in double it would be b7e64046.
      {{}, {{"ZqCWFrequency", 12.3456789}}, ExpectedRemoteControl(1026, "b8e64046")},
      {{}, {{"ZqBeamWidthX", 1.0}, {"ZqBeamWidthZ", 0.5}}, ExpectedRemoteControl(1022, "35fa8e3c35fa0e3c")},
      // 0.123 degrees converted in double; in single precision it would be 93b00c3b.
      {{{"ZqBeamWidthZ", 0.5}}, {{"ZqBeamWidthX", 0.123}}, ExpectedRemoteControl(1022, "92b00c3b35fa0e3c")},
  };
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    Attributes().RemoveAll();
    for (const auto& [key, value] : c.stored) Attributes().Add(key, COrvDouble(value));
    for (const auto& [key, value] : c.requested) Request().Add(key, COrvDouble(value));
    device_.ApplyAttribs(false);
    expected.push_back(c.record);
    EXPECT_EQ(Request().GetCount(), 0);
    for (const Doubles& kept : {c.stored, c.requested}) {
      for (const auto& [key, value] : kept) EXPECT_EQ(Attributes().FindValue(key), COrvDouble(value)) << key;
    }
  }
  EXPECT_EQ(SentHex(), expected);
}

TEST_F(TransmitReceiveRequests, RequestsWaitWhileAValueIsKnownNowhere) {
  Attributes().Add("ZqFMFrequencyStop", COrvInt(30));  // not a double
  Attributes().Add("ZqGainMode", COrvInt(0));
  Request().Add("ZqFMFrequencyStart", COrvDouble(20.0));
  Request().Add("ZqBeamWidthZ", COrvDouble(0.5));
  Request().Add("ZqGainMode", COrvDouble(2.0));  // not an int, and the stored mode does not stand in
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 3);
  EXPECT_FALSE(Attributes().Has("ZqFMFrequencyStart"));
  EXPECT_EQ(Attributes().FindValue("ZqGainMode"), COrvInt(0));

  Attributes().Add("ZqBeamWidthX", COrvDouble(1.0));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(), std::vector{ExpectedRemoteControl(1022, "35fa8e3c35fa0e3c")});
  EXPECT_EQ(Request().GetCount(), 2);
}

TEST_F(TransmitReceiveRequests, GainsChangePlacesOnlyWhenTheStoredModeChanges) {
  struct Case {
    std::optional<int> storedMode;
    std::optional<double> storedAlt;  // "ZqGain" is 10
    double gain;
    std::optional<double> alt;
    std::optional<int> mode;  // after a request for mode 2
  };
  const Case cases[] = {
      {2, 40.0, 10.0, 40.0, 2},                        // same mode: nothing changes
      {0, 40.0, 40.0, 10.0, 2},                        // new mode: gains exchanged, mode stored
      {0, std::nullopt, 10.0, std::nullopt, 2},        // no second gain: mode stored, gain kept
      {std::nullopt, 40.0, 10.0, 40.0, std::nullopt},  // nothing to compare with: nothing stored
  };
  for (const Case& c : cases) {
    Attributes().RemoveAll();
    Attributes().Add("ZqGain", COrvDouble(10.0));
    if (c.storedAlt) Attributes().Add("ZqGainAlt", COrvDouble(*c.storedAlt));
    if (c.storedMode) Attributes().Add("ZqGainMode", COrvInt(*c.storedMode));
    Request().Add("ZqGainMode", COrvInt(2));
    device_.ApplyAttribs(false);
    EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(1017, "02000000"));
    EXPECT_FALSE(Request().Has("ZqGainMode"));
    EXPECT_EQ(Attributes().FindValue("ZqGain"), COrvDouble(c.gain));
    EXPECT_EQ(Attributes().FindValue("ZqGainAlt"), c.alt ? COrvDouble(*c.alt) : COrvType());
    EXPECT_EQ(Attributes().FindValue("ZqGainMode"), c.mode ? COrvInt(*c.mode) : COrvType());
  }
  EXPECT_EQ(SentHex().size(), 4U);
}

TEST_F(TransmitReceiveRequests, EveryPulseTypeRequestAsksFor7503EvenWhileItsValueWaits) {
  Request().Add("ZqPulseType", COrvInt(1));
  device_.ApplyAttribs(false);
  EXPECT_EQ(Attributes().FindValue("ZqPulseType"), COrvInt(1));
  Request().Add("ZqPulseType", COrvDouble(0.0));  // not an int: waits, and is asked about again
  device_.ApplyAttribs(false);
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(),
            (std::vector{ExpectedRemoteControl(1007, "01000000"), kAskFor7503, kAskFor7503, kAskFor7503}));
  EXPECT_TRUE(Request().Has("ZqPulseType"));
  EXPECT_EQ(Attributes().FindValue("ZqPulseType"), COrvInt(1));
}

TEST_F(TransmitReceiveRequests, OnePassSendsPulseTypeGainModeBeamWidthsCwThenFm) {
  Request().Add("ZqFMFrequencyStart", COrvDouble(20.0));
  Request().Add("ZqFMFrequencyStop", COrvDouble(30.0));
  Request().Add("ZqCWFrequency", COrvDouble(12.5));
  Request().Add("ZqBeamWidthX", COrvDouble(1.0));
  Request().Add("ZqBeamWidthZ", COrvDouble(0.5));
  Request().Add("ZqGainMode", COrvInt(-3));
  Request().Add("ZqPulseType", COrvInt(0));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1007, "00000000"), kAskFor7503,
      ExpectedRemoteControl(1017, "fdffffff"), ExpectedRemoteControl(1022, "35fa8e3c35fa0e3c"),
      ExpectedRemoteControl(1026, "00504346"), ExpectedRemoteControl(1027, "00409c460060ea46")};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
}

}  // namespace
