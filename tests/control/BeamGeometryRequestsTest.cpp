// Beam geometry requests: beam and coverage modes, the two sectors, and the coverage reset feeding them.
#include <gtest/gtest.h>

#include "tests/control/ControlDeviceFixture.h"

namespace {

using BeamGeometryRequests = ControlDeviceTest;

// The flexible-mode defaults a reset sends: 45 degrees and 0 in radians, spacing 0.02 unconverted.
const std::string kDefaultFlex = Fields("db0f493f 00000000 0ad7a33c");

TEST_F(BeamGeometryRequests, ModesSendTheirLowBitsAndAreReadFromTheRequestOnly) {
  for (const char* key : {"ZqBeamModeSelection", "ZqCoverageMode"}) Attributes().Add(key, COrvInt(2));
  Attributes().Add("ZqResetCoverage", COrvBool(true));
  Request().Add("ZqBeamModeSelection", COrvDouble(1.0));  // unreadable: waits, the stored mode is not sent
  Request().Add("ZqResetCoverage", COrvInt(1));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 2);

  Request().Add("ZqBeamModeSelection", COrvInt(65537));
  Request().Add("ZqCoverageMode", COrvInt(0x1FF));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(), (std::vector{ExpectedRemoteControl(1039, "0100"), ExpectedRemoteControl(1036, "ff")}));
  EXPECT_EQ(Attributes().FindValue("ZqBeamModeSelection"), COrvInt(65537));
}

TEST_F(BeamGeometryRequests, BeamModeBringsItsLimitsForTheResetInTheSamePass) {
  for (const double maxCoverage : {120.0, 140.0}) {  // beam modes 0 and 1
    CAttributeMap* limits = Attributes().Add("ZqBeamMode");
    limits->Add("ZqMaxCoverage", COrvDouble(maxCoverage));
    limits->Add("GUIMinAngle", COrvDouble(-60.0));
    limits->Add("GUIMaxAngle", COrvDouble(75.0));
  }
  Request().Add("ZqResetCoverage", COrvBool(true));
  Request().Add("ZqCoverageMode", COrvInt(3));
  Request().Add("ZqBeamModeSelection", COrvInt(1));
  device_.ApplyAttribs(false);

  // Mode 1 swings 70 degrees each way, cut at -60: 130 degrees wide, steered to 5.
  EXPECT_EQ(SentHex(),
            (std::vector{ExpectedRemoteControl(1039, "0100"),
                         ExpectedRemoteControl(1035, Fields("1e361140 c2b8b23d")),
                         ExpectedRemoteControl(1036, "03"), ExpectedRemoteControl(1038, kDefaultFlex)}));
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqMaxCoverage"), COrvDouble(140.0));
  EXPECT_EQ(Attributes().FindValue("GUIMaxAngle"), COrvDouble(75.0));
}

TEST_F(BeamGeometryRequests, ResetOnFalseTooCutsAtTheDevicesUpperLimit) {
  const std::pair<const char*, double> limits[] = {
      {"ZqMaxCoverage", 140.0}, {"GUIMinAngle", -80.0}, {"GUIMaxAngle", 50.0}};
  for (const auto& [key, value] : limits) {
    Attributes().Add(key, COrvDouble(value));
    Request().Add(key, COrvDouble(1000.0));  // the limits are the device's, never a request's
  }
  Request().Add("ZqCoverageAngle", COrvDouble(10.0));  // overwritten by the reset
  Request().Add("ZqResetCoverage", COrvBool(false));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(), (std::vector{ExpectedRemoteControl(1035, Fields("920a0640 c2b832be")),
                                    ExpectedRemoteControl(1038, kDefaultFlex)}));
  EXPECT_EQ(Attributes().FindValue("ZqCoverageAngle"), COrvDouble(120.0));
  EXPECT_EQ(Attributes().FindValue("ZqRxSteeringAngle"), COrvDouble(-10.0));
}

TEST_F(BeamGeometryRequests, SectorsTakeMissingAnglesFromTheDeviceAndWaitWhileOneIsNowhere) {
  Request().Add("ZqCoverageAngle", COrvDouble(100.0));
  Request().Add("ZqFlexSectorCoverage", COrvDouble(100.0));
  Request().Add("ZqFlexSectorSteering", COrvDouble(-15.0));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 3);

  Attributes().Add("ZqCoverageAngle", COrvDouble(120.0));  // the request's angle wins
  Attributes().Add("ZqRxSteeringAngle", COrvDouble(0.0));
  Request().Add("ZqFlexOutsideSpacing", COrvInt(1));  // unreadable in the request: the device's value
  Attributes().Add("ZqFlexOutsideSpacing", COrvDouble(0.02));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(), (std::vector{ExpectedRemoteControl(1035, Fields("f366df3f 00000000")),
                                    ExpectedRemoteControl(1038, Fields("f366df3f 920a86be 0ad7a33c"))}));
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqCoverageAngle"), COrvDouble(100.0));  // degrees, as requested
}

}  // namespace
