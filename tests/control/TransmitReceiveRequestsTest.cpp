// Transmit and receive settings: frequencies, beam widths, gain mode and pulse type.
#include <gtest/gtest.h>

#include <optional>

#include "tests/control/ControlDeviceFixture.h"

namespace {

using TransmitReceiveRequests = ControlDeviceTest;
const std::string kAskFor7503 = ExpectedRemoteControl(1050, "4f1d0000");

TEST_F(TransmitReceiveRequests, OnePassSendsPulseTypeGainModeBeamWidthsCwThenFmConverted) {
  Attributes().Add("ZqFMFrequencyStart", COrvDouble(20.0));
  Attributes().Add("ZqBeamWidthZ", COrvDouble(0.5));
  Request().Add("ZqFMFrequencyStop", COrvDouble(30.0));
  // kHz rounded to single precision before scaling (b7e64046 if not); degrees converted in double.
  Request().Add("ZqCWFrequency", COrvDouble(12.3456789));
  Request().Add("ZqBeamWidthX", COrvDouble(0.123));  // 93b00c3b if converted in single precision
  Request().Add("ZqGainMode", COrvInt(-3));
  Request().Add("ZqPulseType", COrvInt(0));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(),
            (std::vector{
                ExpectedRemoteControl(1007, "00000000"), kAskFor7503, ExpectedRemoteControl(1017, "fdffffff"),
                ExpectedRemoteControl(1022, "92b00c3b35fa0e3c"), ExpectedRemoteControl(1026, "b8e64046"),
                ExpectedRemoteControl(1027, "00409c460060ea46")}));
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqBeamWidthX"), COrvDouble(0.123));  // degrees, as requested
  EXPECT_EQ(Attributes().FindValue("ZqCWFrequency"), COrvDouble(12.3456789));
}

TEST_F(TransmitReceiveRequests, GainModeIsReadFromTheRequestOnlyAndGainsChangePlacesOnAChange) {
  Attributes().Add("ZqGainMode", COrvInt(0));
  Request().Add("ZqGainMode", COrvDouble(2.0));  // not an int: waits, the stored mode does not stand in
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_TRUE(Request().Has("ZqGainMode"));

  struct Case {  // "ZqGain" is 10 before a request for mode 2
    std::optional<int> storedMode, modeAfter;
    std::optional<double> storedAlt, altAfter;
    double gainAfter;
  };
  const Case cases[] = {
      {2, 2, 40.0, 40.0, 10.0},                        // same mode: nothing changes
      {0, 2, 40.0, 10.0, 40.0},                        // new mode: gains exchanged, mode stored
      {0, 2, std::nullopt, std::nullopt, 10.0},        // no second gain: mode stored, gain kept
      {std::nullopt, std::nullopt, 40.0, 40.0, 10.0},  // nothing to compare with: nothing stored
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
    EXPECT_EQ(Attributes().FindValue("ZqGain"), COrvDouble(c.gainAfter));
    EXPECT_EQ(Attributes().FindValue("ZqGainAlt"), c.altAfter ? COrvDouble(*c.altAfter) : COrvType());
    EXPECT_EQ(Attributes().FindValue("ZqGainMode"), c.modeAfter ? COrvInt(*c.modeAfter) : COrvType());
  }
}

TEST_F(TransmitReceiveRequests, EveryPulseTypeRequestAsksFor7503EvenWhileItsValueWaits) {
  Request().Add("ZqPulseType", COrvInt(1));
  device_.ApplyAttribs(false);
  Request().Add("ZqPulseType", COrvDouble(0.0));  // not an int: waits, and is asked about again
  device_.ApplyAttribs(false);
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(),
            (std::vector{ExpectedRemoteControl(1007, "01000000"), kAskFor7503, kAskFor7503, kAskFor7503}));
  EXPECT_TRUE(Request().Has("ZqPulseType"));
  EXPECT_EQ(Attributes().FindValue("ZqPulseType"), COrvInt(1));
}

}  // namespace
