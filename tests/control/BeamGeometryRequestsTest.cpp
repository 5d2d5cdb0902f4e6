// Beam geometry and coverage requests: beam and coverage modes, the coverage sector, the flexible
// mode's sector, and the coverage reset that feeds the last two in the same pass.
#include <gtest/gtest.h>

#include <optional>

#include "ControlDeviceFixture.h"

namespace {

using BeamGeometryRequests = ControlDeviceTest;

const char* const kResetKeys[] = {"ZqCoverageAngle",      "ZqRxSteeringAngle",    "ZqFlexSectorCoverage",
                                  "ZqFlexSectorSteering", "ZqFlexOutsideSpacing", "ZqResetCoverage"};
// The flexible-mode defaults a reset sends: 45 degrees and 0 in radians, spacing 0.02 unconverted.
const std::string kDefaultFlex = Fields("db0f493f 00000000 0ad7a33c");

TEST_F(BeamGeometryRequests, ModesSendTheirLowBitsAndKeepTheWholeNumber) {
  Request().Add("ZqCoverageMode", COrvInt(0x1FF));
  Request().Add("ZqBeamModeSelection", COrvInt(65537));
  device_.ApplyAttribs(false);
  Request().Add("ZqBeamModeSelection", COrvInt(-2));
  device_.ApplyAttribs(false);

  EXPECT_EQ(SentHex(), (std::vector{ExpectedRemoteControl(1039, "0100"), ExpectedRemoteControl(1036, "ff"),
                                    ExpectedRemoteControl(1039, "feff")}));
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqBeamModeSelection"), COrvInt(-2));
  EXPECT_EQ(Attributes().FindValue("ZqCoverageMode"), COrvInt(0x1FF));
}

TEST_F(BeamGeometryRequests, ModesAndResetAreReadFromTheRequestOnlyAndWaitWhenUnreadable) {
  for (const char* key : {"ZqBeamModeSelection", "ZqCoverageMode"}) Attributes().Add(key, COrvInt(2));
  Attributes().Add("ZqResetCoverage", COrvBool(true));
  Attributes().Add("ZqMaxCoverage", COrvDouble(140.0));
  device_.ApplyAttribs(false);  // nothing requested: the stored values are not sent again
  Request().Add("ZqBeamModeSelection", COrvDouble(1.0));
  Request().Add("ZqCoverageMode", COrvBool(true));
  Request().Add("ZqResetCoverage", COrvInt(1));
  device_.ApplyAttribs(false);

  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 3);
  EXPECT_EQ(Attributes().FindValue("ZqBeamModeSelection"), COrvInt(2));
  EXPECT_FALSE(Attributes().Has("ZqCoverageAngle"));
}

TEST_F(BeamGeometryRequests, ResetSendsTheFullSwathCutToTheSteeringLimits) {
  struct Case {
    std::optional<double> maxCoverage, minAngle, maxAngle;
    bool resetValue;
    std::string sector;  // coverage and steering, f32 radians
    double coverage, steering;
  };
  const Case cases[] = {
      {140.0, -60.0, 75.0, true, Fields("1e361140 c2b8b23d"), 130.0, 5.0},    // the minimum binds
      {140.0, -80.0, 50.0, true, Fields("920a0640 c2b832be"), 120.0, -10.0},  // the maximum binds
      {140.0, -80.0, 80.0, false, Fields("aa611c40 00000000"), 140.0, 0.0},  // limits wider; false resets too
      {140.0, std::nullopt, 80.0, true, Fields("aa619c3f aa611c3f"), 70.0, 35.0},  // missing minimum is 0
      {std::nullopt, -60.0, 75.0, true, Fields("00000000 00000000"), 0.0, 0.0},    // missing maximum is 0
  };
  for (const Case& c : cases) {
    Attributes().RemoveAll();
    const std::pair<const char*, std::optional<double>> stored[] = {
        {"ZqMaxCoverage", c.maxCoverage}, {"GUIMinAngle", c.minAngle}, {"GUIMaxAngle", c.maxAngle}};
    for (const auto& [key, value] : stored) {
      if (value) Attributes().Add(key, COrvDouble(*value));
      Request().Add(key, COrvDouble(1000.0));  // the limits are the device's, never a request's
    }
    Request().Add("ZqCoverageAngle", COrvDouble(10.0));  // overwritten by the reset
    Request().Add("ZqFlexOutsideSpacing", COrvDouble(0.5));
    Request().Add("ZqResetCoverage", COrvBool(c.resetValue));
    const std::size_t sentBefore = SentHex().size();
    device_.ApplyAttribs(false);

    const std::vector<std::string> sent = SentHex();
    EXPECT_EQ(
        std::vector(sent.begin() + static_cast<std::ptrdiff_t>(sentBefore), sent.end()),
        (std::vector{ExpectedRemoteControl(1035, c.sector), ExpectedRemoteControl(1038, kDefaultFlex)}));
    for (const char* key : kResetKeys) EXPECT_FALSE(Request().Has(key)) << key;
    EXPECT_EQ(Attributes().FindValue("ZqCoverageAngle"), COrvDouble(c.coverage));
    EXPECT_EQ(Attributes().FindValue("ZqRxSteeringAngle"), COrvDouble(c.steering));
    EXPECT_EQ(Attributes().FindValue("ZqFlexSectorCoverage"), COrvDouble(45.0));
    EXPECT_EQ(Attributes().FindValue("ZqFlexSectorSteering"), COrvDouble(0.0));
    EXPECT_EQ(Attributes().FindValue("ZqFlexOutsideSpacing"), COrvDouble(0.02));
  }
}

TEST_F(BeamGeometryRequests, BeamModeBringsItsLimitsForTheResetInTheSamePass) {
  const double limits[][3] = {{120.0, -50.0, 50.0}, {140.0, -60.0, 75.0}, {90.0, -45.0, 45.0}};
  for (const auto& mode : limits) {
    CAttributeMap* child = Attributes().Add("ZqBeamMode");
    child->Add("ZqMaxCoverage", COrvDouble(mode[0]));
    child->Add("GUIMinAngle", COrvDouble(mode[1]));
    child->Add("GUIMaxAngle", COrvDouble(mode[2]));
  }
  Attributes().Add("ZqMaxCoverage", COrvDouble(120.0));
  Request().Add("ZqResetCoverage", COrvBool(true));
  Request().Add("ZqCoverageMode", COrvInt(3));
  Request().Add("ZqBeamModeSelection", COrvInt(1));
  device_.ApplyAttribs(false);

  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1039, "0100"),
      ExpectedRemoteControl(1035, Fields("1e361140 c2b8b23d")),  // 130 and 5 degrees from mode 1's limits
      ExpectedRemoteControl(1036, "03"),
      ExpectedRemoteControl(1038, kDefaultFlex),
  };
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Attributes().FindValue("ZqMaxCoverage"), COrvDouble(140.0));
  EXPECT_EQ(Attributes().FindValue("GUIMaxAngle"), COrvDouble(75.0));
}

TEST_F(BeamGeometryRequests, SectorsSendTheDevicesValueForAnAngleNotRequested) {
  Attributes().Add("ZqCoverageAngle", COrvDouble(120.0));
  Attributes().Add("ZqFlexSectorCoverage", COrvDouble(60.0));
  Attributes().Add("ZqFlexSectorSteering", COrvDouble(-30.0));
  Request().Add("ZqFlexOutsideSpacing", COrvDouble(0.5));
  Request().Add("ZqRxSteeringAngle", COrvDouble(-10.0));
  device_.ApplyAttribs(false);

  EXPECT_EQ(SentHex(), (std::vector{ExpectedRemoteControl(1035, Fields("920a0640 c2b832be")),
                                    ExpectedRemoteControl(1038, Fields("920a863f 920a06bf 0000003f"))}));
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().FindValue("ZqRxSteeringAngle"), COrvDouble(-10.0));  // degrees, as requested
  EXPECT_EQ(Attributes().FindValue("ZqFlexOutsideSpacing"), COrvDouble(0.5));
}

TEST_F(BeamGeometryRequests, SectorsWaitWhileAnAngleCanBeFoundNowhere) {
  Request().Add("ZqCoverageAngle", COrvDouble(100.0));
  Request().Add("ZqFlexSectorCoverage", COrvDouble(100.0));
  Request().Add("ZqFlexSectorSteering", COrvDouble(-15.0));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 3);
  EXPECT_FALSE(Attributes().Has("ZqCoverageAngle"));

  Attributes().Add("ZqRxSteeringAngle", COrvDouble(0.0));
  Request().Add("ZqFlexOutsideSpacing", COrvInt(1));  // unreadable in the request: the device's value
  Attributes().Add("ZqFlexOutsideSpacing", COrvDouble(0.02));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(), (std::vector{ExpectedRemoteControl(1035, Fields("f366df3f 00000000")),
                                    ExpectedRemoteControl(1038, Fields("f366df3f 920a86be 0ad7a33c"))}));
  EXPECT_EQ(Request().GetCount(), 0);
}

}  // namespace
