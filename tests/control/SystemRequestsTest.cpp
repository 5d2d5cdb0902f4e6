// Calibration, system mode, projector change, factory parameters, dual-head and installation
// identifiers: payload bytes, targets, what consumes a request, and what is (not) kept afterwards.
#include <gtest/gtest.h>

#include <optional>

#include "ControlDeviceFixture.h"

namespace {

using SystemRequests = ControlDeviceTest;

int StoredInt(const CAttributeMap& map, const char* key) {
  int value = -100;
  EXPECT_TRUE(map.FindValue(key).GetValue(value)) << key;
  return value;
}

TEST_F(SystemRequests, CalibrationNeedsTriggerAndReadableCommandAndKeepsNothing) {
  Request().Add("ZqCalibrationCommand", COrvInt(0x12345));
  device_.ApplyAttribs(false);                             // no trigger
  Request().Add("ZqCalibrationControl", COrvBool(false));  // the trigger's value does not matter
  Request().Add("ZqCalibrationCommand", COrvDouble(5.0));  // not an int
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 2);

  Request().Add("ZqCalibrationCommand", COrvInt(0x12345));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(), std::vector{ExpectedRemoteControl(1002, "4523")});  // low 16 bits
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().GetCount(), 1);  // only "Request"
}

TEST_F(SystemRequests, SystemModeIsReadFromTheRequestOnlyAndStored) {
  Attributes().Add("ZqSystemMode", COrvInt(2));
  Request().Add("ZqSystemMode", COrvDouble(3.0));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_TRUE(Request().Has("ZqSystemMode"));

  for (const int mode : {3, 0x10005}) {
    Request().Add("ZqSystemMode", COrvInt(mode));
    device_.ApplyAttribs(false);
    EXPECT_EQ(StoredInt(Attributes(), "ZqSystemMode"), mode);
  }
  EXPECT_EQ(SentHex(),
            (std::vector{ExpectedRemoteControl(1014, "03000000"), ExpectedRemoteControl(1014, "05000000")}));
  EXPECT_EQ(Request().GetCount(), 0);
}

TEST_F(SystemRequests, ProjectorChangeStopsTheOldHeadAndStartsTheNewOneOnlyWhenPinging) {
  socket_->SetZqDeviceId(1, 7001);
  socket_->SetZqDeviceId(2, 7012);
  device_.SetZqDeviceEnum(2);  // the device's own head
  struct Case {
    std::optional<int> storedEnum;
    int pingState;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {0,
       1,
       {ExpectedRemoteControl(1101, "", 7000, 0), ExpectedRemoteControl(1011, "01000000", 7000, 0),
        ExpectedRemoteControl(1100, "", 7001, 1)}},
      {0, 0, {ExpectedRemoteControl(1101, "", 7000, 0), ExpectedRemoteControl(1011, "01000000", 7000, 0)}},
      {0, 2, {ExpectedRemoteControl(1101, "", 7000, 0), ExpectedRemoteControl(1011, "01000000", 7000, 0)}},
      {std::nullopt,
       1,
       {ExpectedRemoteControl(1101, "", 7012, 2), ExpectedRemoteControl(1011, "01000000", 7012, 2),
        ExpectedRemoteControl(1100, "", 7001, 1)}},
  };
  for (const Case& c : cases) {
    const auto before = static_cast<std::ptrdiff_t>(SentHex().size());
    Attributes().RemoveAll();
    if (c.storedEnum) Attributes().Add("DeviceEnum", COrvInt(*c.storedEnum));
    Attributes().Add("ZqPingOnOffState", COrvInt(c.pingState));
    Request().Add("DeviceEnum", COrvInt(1));
    device_.ApplyAttribs(false);
    const std::vector<std::string> sent = SentHex();
    EXPECT_EQ(std::vector(sent.begin() + before, sent.end()), c.expected) << c.pingState;
    EXPECT_FALSE(Request().Has("DeviceEnum"));
    EXPECT_EQ(StoredInt(Attributes(), "DeviceEnum"), 1);
  }
}

TEST_F(SystemRequests, ProjectorChangeSeesThePingStateRequestedEarlierInThePass) {
  socket_->SetZqDeviceId(1, 7001);
  Attributes().Add("DeviceEnum", COrvInt(0));
  Attributes().Add("ZqPingOnOffState", COrvInt(0));
  Request().Add("DeviceEnum", COrvDouble(1.0));  // not an int: waits
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(StoredInt(Attributes(), "DeviceEnum"), 0);

  Request().Add("DeviceEnum", COrvInt(1));
  Request().Add("ZqPingOnOffState", COrvInt(1));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1100, "", 7000, 0), ExpectedRemoteControl(1101, "", 7000, 0),
      ExpectedRemoteControl(1011, "01000000", 7000, 0), ExpectedRemoteControl(1100, "", 7001, 1)};
  EXPECT_EQ(SentHex(), expected);
}

TEST_F(SystemRequests, FactoryParametersThenDualHeadInOnePass) {
  Request().Add("ZqDualHeadSlaveIp", COrvInt(static_cast<int>(0xC0A8010AU)));  // 192.168.1.10
  Request().Add("ZqDualHeadConnect", COrvBool(true));
  Request().Add("ZqDualHeadDisconnect", COrvBool(true));
  Request().Add("ZqLoadFactoryParameters", COrvInt(0));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1102, ""), ExpectedRemoteControl(1050, "4f1d0000"),  // then ask for one 7503
      ExpectedRemoteControl(1500, "00000000"),
      ExpectedRemoteControl(1500, Fields("01000000 0a01a8c0 0000803f") + ZeroHex(44))};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Attributes().GetCount(), 1);  // only "Request"
}

TEST_F(SystemRequests, ConnectNeedsAnAddressKeyButSendsZeroForOneItCannotRead) {
  Request().Add("ZqDualHeadConnect", COrvBool(true));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 1);

  const CString dottedAddress("192.168.1.10");  // text, not the 32-bit value
  Request().Add("ZqDualHeadSlaveIp", COrvString(dottedAddress));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(),
            std::vector{ExpectedRemoteControl(1500, Fields("01000000 00000000 0000803f") + ZeroHex(44))});
  EXPECT_EQ(Request().GetCount(), 0);
}

TEST_F(SystemRequests, InstallationRecordReadsTheSecondUnitFirstAndKeepsNothing) {
  CAttributeMap& info = *Request().Add("ZqMBesXYZInfo");
  info.Add("ZqMBesXYZSonarId", COrvInt(7125));
  info.Add("ZqMBesXYZTXUnitID", COrvInt(36));
  info.Add("ZqMBesXYZRXUnitID", COrvInt(37));
  info.Add("ZqMBesXYZFixedParams", COrvInt(-1));  // no "ZqMBesXYZNumber": 0
  info.Add("ZqMBesXYZFrequency", COrvDouble(400000.0));
  CAttributeMap& first = *info.Add("ZqMBesXYZ");
  CAttributeMap& second = *info.Add("ZqMBesXYZ");
  const char* const keys[] = {"Length",  "Width",   "Height",     "Radius",      "OffsetX",
                              "OffsetY", "OffsetZ", "OffsetRoll", "OffsetPitch", "OffsetYaw"};
  const std::optional<double> firstValues[] = {0.5,  0.25, 0.125, std::nullopt, 1.0,
                                               -2.0, 3.5,  0.1,   -0.2,         1.5};
  const std::optional<double> secondValues[] = {0.75, 0.3, 0.2, 0.05, 0.0, 1.0, std::nullopt, 0.0, 0.0, -0.5};
  for (int i = 0; i < 10; ++i) {
    const std::string key = std::string("ZqMBesXYZ") + keys[i];
    if (firstValues[i]) first.Add(key.c_str(), COrvDouble(*firstValues[i]));
    if (secondValues[i]) second.Add(key.c_str(), COrvDouble(*secondValues[i]));
  }
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
