// Calibration, system mode, projector change, factory parameters, dual head and installation record.
#include <gtest/gtest.h>

#include <optional>

#include "tests/control/ControlDeviceFixture.h"

namespace {

using SystemRequests = ControlDeviceTest;

TEST_F(SystemRequests, RemoteControlsWaitForTheirRequestKeysThenGoOutInPassOrder) {
  Attributes().Add("ZqSystemMode", COrvInt(2));
  Request().Add("ZqCalibrationCommand", COrvInt(0x12345));  // no trigger yet
  Request().Add("ZqSystemMode", COrvDouble(3.0));           // not an int; the stored mode does not stand in
  Request().Add("ZqDualHeadConnect", COrvBool(true));       // no address key yet
  device_.ApplyAttribs(false);
  Request().Add("ZqCalibrationControl", COrvBool(false));  // the trigger's value does not matter
  Request().Add("ZqCalibrationCommand", COrvDouble(5.0));  // not an int
  Request().Add("ZqSystemMode", COrvInt(0x10005));
  Request().Add("ZqLoadFactoryParameters", COrvInt(0));
  Request().Add("ZqDualHeadDisconnect", COrvBool(true));
  Request().Add("ZqDualHeadSlaveIp", COrvInt(static_cast<int>(0xC0A8010AU)));  // 192.168.1.10
  device_.ApplyAttribs(false);
  Request().Add("ZqCalibrationCommand", COrvInt(0x12345));
  Request().Add("ZqDualHeadConnect", COrvBool(true));
  Request().Add("ZqDualHeadSlaveIp", COrvString(CString("192.168.1.10")));  // text: cannot be read, sent as 0
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1014, "05000000"),  // low 16 bits
      ExpectedRemoteControl(1102, ""),
      ExpectedRemoteControl(1050, "4f1d0000"),  // then ask for one 7503
      ExpectedRemoteControl(1500, "00000000"),  // a disconnect before a connect
      ExpectedRemoteControl(1500, Fields("01000000 0a01a8c0 0000803f") + ZeroHex(44)),
      ExpectedRemoteControl(1002, "4523"),  // low 16 bits
      ExpectedRemoteControl(1500, Fields("01000000 00000000 0000803f") + ZeroHex(44))};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
  int mode = 0;
  EXPECT_TRUE(Attributes().FindValue("ZqSystemMode").GetValue(mode));
  EXPECT_EQ(mode, 0x10005);
  EXPECT_EQ(Attributes().GetCount(), 2);  // "Request" and the mode: the others keep nothing
}

TEST_F(SystemRequests, ProjectorChangeStopsTheOldHeadAndStartsTheNewOneOnlyWhenPinging) {
  socket_->SetZqDeviceId(1, 7001);
  device_.SetZqDeviceEnum(1);  // the device's own head, the old one while no projector is stored
  Attributes().Add("ZqPingOnOffState", COrvInt(1));
  Request().Add("DeviceEnum", COrvInt(0));
  device_.ApplyAttribs(false);
  Attributes().Add("ZqPingOnOffState", COrvInt(2));  // not on
  Request().Add("DeviceEnum", COrvInt(1));           // the old head is the projector stored above
  device_.ApplyAttribs(false);
  Request().Add("ZqPingOnOffState", COrvInt(1));  // sent first, and seen by the projector change
  Request().Add("DeviceEnum", COrvInt(0));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1101, "", 7001, 1),         ExpectedRemoteControl(1011, "00000000", 7001, 1),
      ExpectedRemoteControl(1100, "", 7000, 0),         ExpectedRemoteControl(1101, "", 7000, 0),
      ExpectedRemoteControl(1011, "01000000", 7000, 0), ExpectedRemoteControl(1100, "", 7001, 1),
      ExpectedRemoteControl(1101, "", 7001, 1),         ExpectedRemoteControl(1011, "00000000", 7001, 1),
      ExpectedRemoteControl(1100, "", 7000, 0)};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
}

TEST_F(SystemRequests, InstallationRecordReadsTheSecondUnitFirstAndKeepsNothing) {
  CAttributeMap& info = *Request().Add("ZqMBesXYZInfo");
  info.Add("ZqMBesXYZSonarId", COrvInt(7125));
  info.Add("ZqMBesXYZTXUnitID", COrvInt(36));
  info.Add("ZqMBesXYZRXUnitID", COrvInt(37));
  info.Add("ZqMBesXYZFixedParams", COrvInt(-1));  // no "ZqMBesXYZNumber": 0
  info.Add("ZqMBesXYZFrequency", COrvDouble(400000.0));
  CAttributeMap* const units[] = {info.Add("ZqMBesXYZ"), info.Add("ZqMBesXYZ")};
  const char* const keys[] = {"Length",  "Width",   "Height",     "Radius",      "OffsetX",
                              "OffsetY", "OffsetZ", "OffsetRoll", "OffsetPitch", "OffsetYaw"};
  const std::optional<double> values[2][10] = {
      {0.5, 0.25, 0.125, std::nullopt, 1.0, -2.0, 3.5, 0.1, -0.2, 1.5},
      {0.75, 0.3, 0.2, 0.05, 0.0, 1.0, std::nullopt, 0.0, 0.0, -0.5}};
  for (int u = 0; u < 2; ++u)
    for (int i = 0; i < 10; ++i)
      if (values[u][i]) units[u]->Add("ZqMBesXYZ" + std::string(keys[i]), COrvDouble(*values[u][i]));
  device_.ApplyAttribs(false);

  const std::string body =
      Fields("d51b0000 24000000 25000000 00000000 ffffffff") +
      // First unit; its missing radius repeats the second unit's 0.05.
      Fields("0000003f 0000803e 0000003e cdcc4c3d 0000803f 000000c0 00006040 cdcccc3d cdcc4cbe 0000c03f") +
      // Second unit; its missing offset Z is 0.
      Fields("0000403f 9a99993e cdcc4c3e cdcc4c3d 00000000 0000803f 00000000 00000000 00000000 000000bf") +
      "0050c348" + ZeroHex(60);
  EXPECT_EQ(SentHex(), std::vector{ExpectedHeader(232, 1020, 7000, 0) + body + ZeroHex(4)});
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().GetCount(), 1);  // only "Request"
}

}  // namespace
