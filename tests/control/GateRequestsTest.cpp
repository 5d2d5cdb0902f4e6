// Bottom-detection gates: the gates with their tilt, the adaptive gate's window, and the enable flags.
#include <gtest/gtest.h>

#include "tests/control/ControlDeviceFixture.h"

namespace {

using GateRequests = ControlDeviceTest;

TEST_F(GateRequests, FlagWordHasOneBitPerSwitchedOnFilter) {
  const std::pair<const char*, const char*> flags[] = {{"ZqRangeFilterEnabled", "00010000"},
                                                       {"ZqDepthFilterEnabled", "00020000"},
                                                       {"ZqAdaptiveGateEnabled", "00040000"},
                                                       {"ZqAGDepthFilterEnabled", "00080000"}};
  for (const auto& [requested, word] : flags) {
    for (const auto& [key, unused] : flags) Attributes().Add(key, COrvBool(false));
    Request().Add(requested, COrvBool(true));
    device_.ApplyAttribs(false);
    EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(1009, word)) << requested;
    EXPECT_EQ(Attributes().FindValue(requested), COrvBool(true));
  }
}

TEST_F(GateRequests, WindowIsTruncatedTowardZeroAndKeptAsRequested) {
  Attributes().Add("ZqAGSearchMin", COrvDouble(2.0));
  Attributes().Add("ZqAGSearchMax", COrvDouble(80.0));
  const std::pair<double, const char*> cases[] = {{7.9, "07000000"}, {-2.5, "feffffff"}, {3e9, "ffffff7f"}};
  for (const auto& [window, sent] : cases) {
    Request().Add("ZqAGWindowSize", COrvDouble(window));
    device_.ApplyAttribs(false);
    EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(1016, Fields(sent) + Fields("00000040 0000a042")));
    EXPECT_EQ(Attributes().FindValue("ZqAGWindowSize"), COrvDouble(window));
  }
}

TEST_F(GateRequests, RequestsWaitUntilTheirGroupIsKnownThenGoOutInOrderWithTheTiltInverted) {
  Attributes().Add("ZqMaxDepthGate", COrvDouble(150.0));
  Attributes().Add("ZqMinDepthGate", COrvDouble(1.25));
  Attributes().Add("ZqMaxRangeGate", COrvDouble(200.0));
  Attributes().Add("ZqAGSearchMin", COrvDouble(2.0));
  Attributes().Add("ZqAGSearchMax", COrvDouble(80.0));
  for (const char* key : {"ZqRangeFilterEnabled", "ZqDepthFilterEnabled", "ZqAdaptiveGateEnabled"})
    Attributes().Add(key, COrvBool(false));
  Attributes().Add("ZqAGDepthFilterEnabled", COrvInt(1));  // not a bool
  Request().Add("ZqMinRangeGate", COrvDouble(0.1));        // no tilt anywhere
  Request().Add("ZqDepthFilterEnabled", COrvBool(true));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());  // both wait, and are sent below

  Request().Add("ZqAGDepthFilterEnabled", COrvBool(true));  // added in reverse order of sending
  Request().Add("ZqAGWindowSize", COrvDouble(7.0));
  Request().Add("ZqDepthGateTilt", COrvDouble(10.0));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(),
            (std::vector{ExpectedRemoteControl(1010, Fields("cdcccc3d 00004843 0000a03f 00001643 c2b832be")),
                         ExpectedRemoteControl(1016, Fields("07000000 00000040 0000a042")),
                         ExpectedRemoteControl(1009, "000a0000")}));
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqDepthGateTilt"), COrvDouble(10.0));  // the sign as requested
  EXPECT_EQ(Attributes().FindValue("ZqMinRangeGate"), COrvDouble(0.1));
}

}  // namespace
