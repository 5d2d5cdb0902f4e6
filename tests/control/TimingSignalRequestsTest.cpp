// Timing signal requests: input edges, the trigger output pulse and the trigger input command.
#include <gtest/gtest.h>

#include <optional>

#include "ControlDeviceFixture.h"

namespace {

using TimingSignalRequests = ControlDeviceTest;

// Adds key to map when value holds one.
template <typename Orv, typename T>
void AddIf(CAttributeMap& map, const char* key, const std::optional<T>& value) {
  if (value) map.Add(key, Orv(*value));
}

TEST_F(TimingSignalRequests, EdgeFlagsMarkEachZeroSelectorAndStoreDefaultsToo) {
  struct Case {
    std::optional<int> pps, triggerInput;   // requested
    std::optional<int> storedTriggerInput;  // already in the device's attributes
    std::string flags;
    int ppsAfter, triggerInputAfter;
  };
  const Case cases[] = {
      {0, 0, std::nullopt, "03000000", 0, 0},
      {1, 1, std::nullopt, "00000000", 1, 1},
      {2, 0, std::nullopt, "02000000", 2, 0},             // any non-zero selector clears its bit
      {0, std::nullopt, std::nullopt, "01000000", 0, 1},  // trigger input edge defaults to 1
      {std::nullopt, 5, std::nullopt, "01000000", 0, 5},  // PPS edge defaults to 0
      {1, std::nullopt, 0, "02000000", 1, 0},             // the device's trigger input edge
  };
  for (const Case& c : cases) {
    Attributes().RemoveAll();
    AddIf<COrvInt>(Attributes(), "ZqTriggerInputEdge", c.storedTriggerInput);
    AddIf<COrvInt>(Request(), "ZqPpsEdge", c.pps);
    AddIf<COrvInt>(Request(), "ZqTriggerInputEdge", c.triggerInput);
    device_.ApplyAttribs(false);

    EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(1116, c.flags));
    EXPECT_EQ(Request().GetCount(), 0);
    EXPECT_EQ(Attributes().FindValue("ZqPpsEdge"), COrvInt(c.ppsAfter));
    EXPECT_EQ(Attributes().FindValue("ZqTriggerInputEdge"), COrvInt(c.triggerInputAfter));
  }
  EXPECT_EQ(SentHex().size(), std::size(cases));
}

TEST_F(TimingSignalRequests, TriggerOutputSendsSecondsAndKeepsMilliseconds) {
  struct Case {
    std::optional<bool> on;
    std::optional<double> pulseMs, delayMs;  // requested
    bool storedOn;                           // the device's on/off value; it holds no pulse or delay
    std::string payload;                     // flags, pulse width and delay as f64 seconds
    double pulseAfter, delayAfter;
  };
  const Case cases[] = {
      {true, std::nullopt, std::nullopt, false, Fields("01000000 fca9f1d24d62503f 0000000000000000"), 1.0,
       0.0},
      {std::nullopt, 5.0, 2.5, true, Fields("01000000 7b14ae47e17a743f 7b14ae47e17a643f"), 5.0, 2.5},
      {false, std::nullopt, 2.5, true, Fields("00000000 fca9f1d24d62503f 7b14ae47e17a643f"), 1.0, 2.5},
  };
  for (const Case& c : cases) {
    Attributes().RemoveAll();
    Attributes().Add("ZqTriggerOutput", COrvBool(c.storedOn));
    AddIf<COrvBool>(Request(), "ZqTriggerOutput", c.on);
    AddIf<COrvDouble>(Request(), "ZqTriggerOutputPulse", c.pulseMs);
    AddIf<COrvDouble>(Request(), "ZqTriggerOutputDelay", c.delayMs);
    device_.ApplyAttribs(false);

    EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(1115, c.payload));
    EXPECT_EQ(Request().GetCount(), 0);
    EXPECT_EQ(Attributes().FindValue("ZqTriggerOutput"), COrvBool(c.on.value_or(c.storedOn)));
    EXPECT_EQ(Attributes().FindValue("ZqTriggerOutputPulse"), COrvDouble(c.pulseAfter));
    EXPECT_EQ(Attributes().FindValue("ZqTriggerOutputDelay"), COrvDouble(c.delayAfter));
  }
  EXPECT_EQ(SentHex().size(), std::size(cases));
}

TEST_F(TimingSignalRequests, TriggerInputCommandsOnlySwitchingOnAndWaitsWhenUnreadable) {
  Request().Add("ZqTriggerInput", COrvBool(false));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqTriggerInput"), COrvBool(false));

  Attributes().RemoveAll();
  Request().Add("ZqTriggerInput", COrvInt(1));  // unreadable, and nothing stored to fall back on
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_TRUE(Request().Has("ZqTriggerInput"));

  Attributes().Add("ZqTriggerInput", COrvBool(true));  // now the device's value stands in
  Request().Add("ZqTriggerOutputPulse", COrvDouble(0.1));
  Request().Add("ZqPpsEdge", COrvInt(0));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1116, "01000000"),
      ExpectedRemoteControl(1115, Fields("00000000 2d431cebe2361a3f 0000000000000000")),
      ExpectedRemoteControl(1114, "00"),
  };
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqTriggerInput"), COrvBool(true));
}

}  // namespace
