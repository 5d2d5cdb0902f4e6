// Timing signal requests: input edges, the trigger output pulse and the trigger input command.
#include <gtest/gtest.h>

#include <optional>

#include "tests/control/ControlDeviceFixture.h"

namespace {

using TimingSignalRequests = ControlDeviceTest;

TEST_F(TimingSignalRequests, EdgeFlagsMarkEachZeroSelectorAndStoreDefaultsToo) {
  struct Case {
    std::optional<int> pps, triggerInput, storedTriggerInput;
    std::string flags;
    int ppsAfter, triggerInputAfter;
  };
  const Case cases[] = {
      {0, std::nullopt, std::nullopt, "01000000", 0, 1},  // trigger input edge defaults to 1
      {std::nullopt, 5, std::nullopt, "01000000", 0, 5},  // PPS edge defaults to 0
      {2, std::nullopt, 0, "02000000", 2, 0},  // the device's trigger input edge; non-zero clears the bit
  };
  for (const Case& c : cases) {
    Attributes().RemoveAll();
    if (c.storedTriggerInput) Attributes().Add("ZqTriggerInputEdge", COrvInt(*c.storedTriggerInput));
    if (c.pps) Request().Add("ZqPpsEdge", COrvInt(*c.pps));
    if (c.triggerInput) Request().Add("ZqTriggerInputEdge", COrvInt(*c.triggerInput));
    device_.ApplyAttribs(false);
    EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(1116, c.flags));
    EXPECT_EQ(Request().GetCount(), 0);
    EXPECT_EQ(Attributes().FindValue("ZqPpsEdge"), COrvInt(c.ppsAfter));
    EXPECT_EQ(Attributes().FindValue("ZqTriggerInputEdge"), COrvInt(c.triggerInputAfter));
  }
}

TEST_F(TimingSignalRequests, TriggerOutputSendsSecondsAndKeepsMillisecondsDefaultsIncluded) {
  Request().Add("ZqTriggerOutput", COrvBool(true));
  device_.ApplyAttribs(false);
  EXPECT_EQ(Attributes().FindValue("ZqTriggerOutputPulse"), COrvDouble(1.0));
  EXPECT_EQ(Attributes().FindValue("ZqTriggerOutputDelay"), COrvDouble(0.0));

  Request().Add("ZqTriggerOutputPulse", COrvDouble(5.0));  // over the stored 1; switched on as stored
  Request().Add("ZqTriggerOutputDelay", COrvDouble(2.5));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(),
            (std::vector{ExpectedRemoteControl(1115, Fields("01000000 fca9f1d24d62503f 0000000000000000")),
                         ExpectedRemoteControl(1115, Fields("01000000 7b14ae47e17a743f 7b14ae47e17a643f"))}));
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqTriggerOutputPulse"), COrvDouble(5.0));
}

TEST_F(TimingSignalRequests, TriggerInputCommandsOnlySwitchingOnAndWaitsWhenUnreadable) {
  Request().Add("ZqTriggerInput", COrvInt(1));  // unreadable, and nothing stored to fall back on
  device_.ApplyAttribs(false);
  Attributes().Add("ZqTriggerInput", COrvBool(true));  // now the device's value stands in
  device_.ApplyAttribs(false);
  Request().Add("ZqTriggerInput", COrvBool(false));  // consumed and kept, but not sent
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(), std::vector{ExpectedRemoteControl(1114, "00")});
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqTriggerInput"), COrvBool(false));
}

}  // namespace
