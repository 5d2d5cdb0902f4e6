// Bottom-detection gates: record layouts, values taken from the stored settings, the inverted tilt,
// the truncated window, and requests that wait until every value of their group is known.
#include <gtest/gtest.h>

#include "ControlDeviceFixture.h"

namespace {

using GateRequests = ControlDeviceTest;
const char* const kFlagKeys[] = {"ZqRangeFilterEnabled", "ZqDepthFilterEnabled", "ZqAdaptiveGateEnabled",
                                 "ZqAGDepthFilterEnabled"};

TEST_F(GateRequests, FlagWordHasOneBitPerSwitchedOnFilter) {
  for (const char* requested : kFlagKeys) {
    for (const char* key : kFlagKeys) Attributes().Add(key, COrvBool(false));
    Request().Add(requested, COrvBool(true));
    device_.ApplyAttribs(false);
    EXPECT_EQ(Request().GetCount(), 0);
    for (const char* key : kFlagKeys)
      EXPECT_EQ(Attributes().FindValue(key), COrvBool(key == requested)) << key;
  }
  for (const char* key : kFlagKeys) Request().Add(key, COrvBool(true));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1009, "00010000"), ExpectedRemoteControl(1009, "00020000"),
      ExpectedRemoteControl(1009, "00040000"), ExpectedRemoteControl(1009, "00080000"),
      ExpectedRemoteControl(1009, "000f0000")};
  EXPECT_EQ(SentHex(), expected);
}

TEST_F(GateRequests, TiltGoesOutInvertedInRadiansAndIsKeptAsRequested) {
  Request().Add("ZqDepthGateTilt", COrvDouble(10.0));
  Request().Add("ZqMaxDepthGate", COrvDouble(150.0));
  Request().Add("ZqMinDepthGate", COrvDouble(1.25));
  Request().Add("ZqMaxRangeGate", COrvDouble(200.0));
  Request().Add("ZqMinRangeGate", COrvDouble(0.5));
  device_.ApplyAttribs(false);
  EXPECT_EQ(Attributes().FindValue("ZqDepthGateTilt"), COrvDouble(10.0));
  Request().Add("ZqDepthGateTilt", COrvDouble(-3.5));  // the gates come from the stored settings
  Request().Add("ZqMinRangeGate", COrvDouble(0.1));    // sent as the nearest single-precision value
  device_.ApplyAttribs(false);

  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1010, Fields("0000003f 00004843 0000a03f 00001643 c2b832be")),
      ExpectedRemoteControl(1010, Fields("cdcccc3d 00004843 0000a03f 00001643 dd357a3d"))};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqDepthGateTilt"), COrvDouble(-3.5));
  EXPECT_EQ(Attributes().FindValue("ZqMinRangeGate"), COrvDouble(0.1));
  EXPECT_EQ(Attributes().FindValue("ZqMaxDepthGate"), COrvDouble(150.0));
}

TEST_F(GateRequests, WindowIsTruncatedTowardZeroAndKeptAsRequested) {
  Attributes().Add("ZqAGSearchMin", COrvDouble(2.0));
  Attributes().Add("ZqAGSearchMax", COrvDouble(80.0));
  const std::pair<double, const char*> cases[] = {{7.9, "07000000"},
                                                  {-2.5, "feffffff"},
                                                  {-0.9, "00000000"},
                                                  {3e9, "ffffff7f"}};  // beyond i32: the largest
  for (const auto& [window, sent] : cases) {
    Request().Add("ZqAGWindowSize", COrvDouble(window));
    device_.ApplyAttribs(false);
    EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(1016, Fields(sent) + Fields("00000040 0000a042")));
    EXPECT_EQ(Attributes().FindValue("ZqAGWindowSize"), COrvDouble(window));
    EXPECT_FALSE(Request().Has("ZqAGWindowSize"));
  }
  EXPECT_EQ(SentHex().size(), 4U);
}

TEST_F(GateRequests, RequestsWaitUntilTheirWholeGroupIsKnownAndThenGoOutInOrder) {
  for (const char* key : {"ZqMinRangeGate", "ZqMinDepthGate", "ZqMaxDepthGate"})
    Attributes().Add(key, COrvDouble(1.0));
  Request().Add("ZqMaxRangeGate", COrvDouble(200.0));  // no tilt anywhere
  Attributes().Add("ZqAGWindowSize", COrvInt(7));      // not a double
  Attributes().Add("ZqAGSearchMin", COrvDouble(2.0));
  Request().Add("ZqAGSearchMax", COrvDouble(80.0));
  for (const char* key : kFlagKeys) Attributes().Add(key, COrvBool(false));
  Attributes().Add("ZqAGDepthFilterEnabled", COrvInt(1));  // not a bool
  Request().Add("ZqDepthFilterEnabled", COrvBool(true));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 3);
  EXPECT_FALSE(Attributes().Has("ZqMaxRangeGate"));
  EXPECT_EQ(Attributes().FindValue("ZqDepthFilterEnabled"), COrvBool(false));

  // Written in reverse order of sending.
  Request().Add("ZqAGDepthFilterEnabled", COrvBool(true));
  Request().Add("ZqAGWindowSize", COrvDouble(7.0));
  Request().Add("ZqDepthGateTilt", COrvDouble(0.0));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1010, Fields("0000803f 00004843 0000803f 0000803f 00000080")),  // tilt -0.0
      ExpectedRemoteControl(1016, Fields("07000000 00000040 0000a042")),
      ExpectedRemoteControl(1009, "000a0000")};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqDepthGateTilt"), COrvDouble(0.0));
}

}  // namespace
