// The request contract and the generic requests: what a request pass sends, in which order, and what
// it leaves in "Request" and in the device's attributes.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "ControlDeviceFixture.h"
#include "tavrin/CaptureIoHandler.h"
#include "tavrin/FileObject.h"
#include "tavrin/SubscriptionImpl.h"
#include "tavrin/SubscriptionManager.h"

namespace {

using GenericRequests = ControlDeviceTest;
constexpr auto kDeliveryBound = std::chrono::seconds(5);

double StoredDouble(const CAttributeMap& map, const char* key) {
  double value = -1.0;
  EXPECT_TRUE(map.FindValue(key).GetValue(value)) << key;
  return value;
}

int StoredInt(const CAttributeMap& map, const char* key) {
  int value = -1;
  EXPECT_TRUE(map.FindValue(key).GetValue(value)) << key;
  return value;
}

struct ValueCase {
  const char* key;
  unsigned id;
  double value;
  const char* payloadHex;  // the value as f32, written out by hand
};

TEST_F(GenericRequests, EachValueIsSentAsF32UnderItsRemoteControlId) {
  const ValueCase cases[] = {
      {"ZqRange", 1003, 250.0, "00007a43"}, {"ZqMaxPingRate", 1004, 5.0, "0000a040"},
      {"ZqPower", 1005, 220.0, "00005c43"}, {"ZqPulseLength", 1006, 0.0005, "6f12033a"},
      {"ZqGain", 1008, 30.0, "0000f041"},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.key);
    Request().Add(c.key, COrvDouble(c.value));
    device_.ApplyAttribs(false);

    const auto sent = SentHex();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), ExpectedRemoteControl(c.id, c.payloadHex));
    EXPECT_FALSE(Request().Has(c.key));
    EXPECT_EQ(StoredDouble(Attributes(), c.key), c.value);
  }
  EXPECT_EQ(SentCount(), 5U);
}

TEST_F(GenericRequests, DoubleIsRoundedToNearestSingleButStoredAsRequested) {
  Request().Add("ZqRange", COrvDouble(0.1));
  device_.ApplyAttribs(false);
  ASSERT_EQ(SentCount(), 1U);
  EXPECT_EQ(SentHex()[0], ExpectedRemoteControl(1003, "cdcccc3d"));
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 0.1);
}

TEST_F(GenericRequests, AbsorptionAndSpreadingAreSingleValueRecords) {
  Request().Add("ZqSpreadingLoss", COrvDouble(1.5));
  Request().Add("ZqAbsorption", COrvDouble(40.0));
  device_.ApplyAttribs(false);

  const auto sent = SentHex();
  ASSERT_EQ(sent.size(), 2U);
  EXPECT_EQ(sent[0], ExpectedHeader(72, 7611, 7000, 0) + "00002042" + ZeroHex(4));
  EXPECT_EQ(sent[1], ExpectedHeader(72, 7612, 7000, 0) + "0000c03f" + ZeroHex(4));
  EXPECT_EQ(StoredDouble(Attributes(), "ZqAbsorption"), 40.0);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqSpreadingLoss"), 1.5);
}

TEST_F(GenericRequests, BeamSteeringIsSentInRadiansAndKeptInDegrees) {
  Request().Add("ZqBeamSteer", COrvDouble2D(10.0, -5.0));
  device_.ApplyAttribs(false);

  ASSERT_EQ(SentCount(), 1U);
  EXPECT_EQ(SentHex()[0], ExpectedRemoteControl(1021,
                                                "c2b8323e"
                                                "c2b8b2bd"));
  double first = 0.0;
  double second = 0.0;
  ASSERT_TRUE(Attributes().FindValue("ZqBeamSteer").GetValue(first, second));
  EXPECT_EQ(first, 10.0);
  EXPECT_EQ(second, -5.0);
}

TEST_F(GenericRequests, PingSwitchSendsOnForAnyNonZeroAndOffForZero) {
  Request().Add("ZqPingOnOffState", COrvInt(0));
  device_.ApplyAttribs(false);
  Request().Add("ZqPingOnOffState", COrvInt(1));
  device_.ApplyAttribs(false);
  Request().Add("ZqPingOnOffState", COrvInt(7));
  device_.ApplyAttribs(false);

  const auto sent = SentHex();
  ASSERT_EQ(sent.size(), 3U);
  EXPECT_EQ(sent[0], ExpectedRemoteControl(1101, ""));
  EXPECT_EQ(sent[1], ExpectedRemoteControl(1100, ""));
  EXPECT_EQ(sent[2], ExpectedRemoteControl(1100, ""));
  EXPECT_EQ(StoredInt(Attributes(), "ZqPingOnOffState"), 7);
}

TEST_F(GenericRequests, RecordingSwitchStartsWithAnEmptyNameAndStopsWithoutPayload) {
  Request().Add("ZqDataRecording", COrvInt(1));
  device_.ApplyAttribs(false);
  EXPECT_EQ(StoredInt(Attributes(), "ZqDataRecording"), 1);
  Request().Add("ZqDataRecording", COrvInt(0));
  device_.ApplyAttribs(false);

  const auto sent = SentHex();
  ASSERT_EQ(sent.size(), 2U);
  EXPECT_EQ(sent[0], ExpectedRemoteControl(1200, ZeroHex(260)));
  EXPECT_EQ(sent[0].size(), 352U * 2);
  EXPECT_EQ(sent[1], ExpectedRemoteControl(1201, ""));
  EXPECT_EQ(StoredInt(Attributes(), "ZqDataRecording"), 0);
}

TEST_F(GenericRequests, RecordsFollowTheDispatchOrderNotTheWritingOrder) {
  Request().Add("ZqDataRecording", COrvInt(0));
  Request().Add("ZqPingOnOffState", COrvInt(1));
  Request().Add("ZqBeamSteer", COrvDouble2D(0.0, 0.0));
  Request().Add("ZqGain", COrvDouble(30.0));
  Request().Add("ZqPulseLength", COrvDouble(0.0005));
  Request().Add("ZqPower", COrvDouble(220.0));
  Request().Add("ZqMaxPingRate", COrvDouble(5.0));
  Request().Add("ZqRange", COrvDouble(250.0));
  Request().Add("ZqSpreadingLoss", COrvDouble(1.5));
  Request().Add("ZqAbsorption", COrvDouble(40.0));
  device_.ApplyAttribs(false);

  const auto sent = SentHex();
  ASSERT_EQ(sent.size(), 10U);
  EXPECT_EQ(sent[0], ExpectedHeader(72, 7611, 7000, 0) + "00002042" + ZeroHex(4));
  EXPECT_EQ(sent[1], ExpectedHeader(72, 7612, 7000, 0) + "0000c03f" + ZeroHex(4));
  EXPECT_EQ(sent[2], ExpectedRemoteControl(1003, "00007a43"));
  EXPECT_EQ(sent[3], ExpectedRemoteControl(1004, "0000a040"));
  EXPECT_EQ(sent[4], ExpectedRemoteControl(1005, "00005c43"));
  EXPECT_EQ(sent[5], ExpectedRemoteControl(1006, "6f12033a"));
  EXPECT_EQ(sent[6], ExpectedRemoteControl(1008, "0000f041"));
  EXPECT_EQ(sent[7], ExpectedRemoteControl(1021,
                                           "00000000"
                                           "00000000"));
  EXPECT_EQ(sent[8], ExpectedRemoteControl(1100, ""));
  EXPECT_EQ(sent[9], ExpectedRemoteControl(1201, ""));
  EXPECT_EQ(Request().GetCount(), 0);
}

TEST_F(GenericRequests, RangeAndPowerTogetherLeaveAnEmptyRequest) {
  Request().Add("ZqPower", COrvDouble(220.0));
  Request().Add("ZqRange", COrvDouble(250.0));
  device_.ApplyAttribs(false);

  const auto sent = SentHex();
  ASSERT_EQ(sent.size(), 2U);
  EXPECT_EQ(sent[0], ExpectedRemoteControl(1003, "00007a43"));
  EXPECT_EQ(sent[1], ExpectedRemoteControl(1005, "00005c43"));
  ASSERT_NE(Attributes().GetAttrMap("Request"), nullptr);
  EXPECT_EQ(Attributes().GetAttrMap("Request")->GetCount(), 0);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 250.0);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqPower"), 220.0);
}

TEST_F(GenericRequests, UnreadableValueStaysPendingAndIsTriedAgain) {
  Attributes().Add("ZqRange", COrvDouble(100.0));
  Request().Add("ZqRange", COrvInt(250));             // not a double
  Request().Add("ZqPingOnOffState", COrvBool(true));  // not an int
  Request().Add("ZqBeamSteer", COrvDouble(3.0));      // not a pair
  Request().Add("ZqPower", COrvDouble(220.0));
  device_.ApplyAttribs(false);

  ASSERT_EQ(SentCount(), 1U);
  EXPECT_EQ(SentHex()[0], ExpectedRemoteControl(1005, "00005c43"));
  EXPECT_TRUE(Request().Has("ZqRange"));
  EXPECT_TRUE(Request().Has("ZqPingOnOffState"));
  EXPECT_TRUE(Request().Has("ZqBeamSteer"));
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 100.0);
  EXPECT_FALSE(Attributes().Has("ZqPingOnOffState"));

  // A writer replaces the bad value; the next pass sends it.
  Request().Add("ZqRange", COrvDouble(250.0));
  device_.ApplyAttribs(false);
  ASSERT_EQ(SentCount(), 2U);
  EXPECT_EQ(SentHex()[1], ExpectedRemoteControl(1003, "00007a43"));
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 250.0);
}

TEST_F(GenericRequests, StoredValueReplacesAnAttributeOfAnotherType) {
  Attributes().Add("ZqRange", COrvString("far"));
  Request().Add("ZqRange", COrvDouble(250.0));
  device_.ApplyAttribs(false);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 250.0);
  EXPECT_FALSE(Attributes().Has("ZqRange", 1));
}

TEST_F(GenericRequests, WithoutRequestNothingIsSent) {
  Attributes().Add("ZqRange", COrvDouble(250.0));
  device_.ApplyAttribs(false);
  Attributes().Add("Request");
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentCount(), 0U);
}

TEST_F(GenericRequests, WithoutSonarSocketTheValueIsStoredAnyway) {
  CaptureIoHandler plainPort;
  device_.SetPortPtr(&plainPort);
  Request().Add("ZqRange", COrvDouble(250.0));
  Request().Add("ZqAbsorption", COrvDouble(40.0));
  Request().Add("ZqPingOnOffState", COrvInt(1));
  device_.ApplyAttribs(false);

  EXPECT_TRUE(plainPort.Records().empty());
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 250.0);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqAbsorption"), 40.0);
  EXPECT_EQ(StoredInt(Attributes(), "ZqPingOnOffState"), 1);
}

TEST_F(GenericRequests, HeadUnknownToTheSocketSendsNothingButStores) {
  device_.SetZqDeviceEnum(4);
  Request().Add("ZqGain", COrvDouble(12.0));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentCount(), 0U);
  EXPECT_FALSE(Request().Has("ZqGain"));
  EXPECT_EQ(StoredDouble(Attributes(), "ZqGain"), 12.0);
}

TEST_F(GenericRequests, LoadingStoredAttributesDropsPendingRequests) {
  FileObject stored(R"([{"ZqRange": {"double": 80.0}},
                        {"Request": {"map": [{"ZqRange": {"double": 250.0}}, {"ZqPower": {"double": 1.0}}]}}])");
  ASSERT_TRUE(device_.LoadAttribs("sonar-1", &stored));
  EXPECT_FALSE(Attributes().Has("Request"));
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 80.0);
  EXPECT_EQ(device_.GetDeviceName(), CString("sonar-1"));

  device_.ApplyAttribs(false);
  EXPECT_EQ(SentCount(), 0U);
}

TEST_F(GenericRequests, FailedLoadLeavesAttributesAndRequestsAsTheyWere) {
  Request().Add("ZqRange", COrvDouble(250.0));
  FileObject damaged("[{\"ZqRange\": {\"double\": 80.0}");
  EXPECT_FALSE(device_.LoadAttribs("", &damaged));
  EXPECT_FALSE(device_.LoadAttribs("", nullptr));
  EXPECT_TRUE(Request().Has("ZqRange"));

  device_.ApplyAttribs(false);
  EXPECT_EQ(SentCount(), 1U);
}

TEST_F(GenericRequests, PassPublishesTheDeviceKeyWhenAsked) {
  device_.SetDataId(CDataId(9, 78, 3, 1));
  int notified = 0;
  struct Counter : Subscriber {
    explicit Counter(int& count) : count_(count) {}
    void Notify(const NotificationInfo*) override { ++count_; }
    int& count_;
  };
  SubscriptionImpl subscription(NotificationKind::kDeviceKey);
  subscription.SetSubscriber(new Counter(notified), true);
  subscription.Subscribe("9.78.3.1");

  device_.ApplyAttribs(false);
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kDeliveryBound));
  EXPECT_EQ(notified, 0);
  device_.ApplyAttribs(true);
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kDeliveryBound));
  EXPECT_EQ(notified, 1);
}

TEST(ControlDeviceLogging, FlagFollowsTheHostsLoggingNotifications) {
  KavoSonarConfigurationControlDevice device;
  auto& manager = SubscriptionManager::Instance();
  EXPECT_FALSE(device.IsLoggingActive());

  manager.PublishNamed("$TavrinloggerStartLogging$");
  ASSERT_TRUE(manager.WaitIdle(kDeliveryBound));
  EXPECT_TRUE(device.IsLoggingActive());

  manager.PublishNamed("$TavrinloggerStopLogging$");
  ASSERT_TRUE(manager.WaitIdle(kDeliveryBound));
  EXPECT_FALSE(device.IsLoggingActive());

  manager.PublishNamed("$TavrinloggerStartLogging$");
  manager.PublishNamed("$TavrinloggerStopLogging$");
  manager.PublishNamed("$TavrinloggerStartLogging$");
  ASSERT_TRUE(manager.WaitIdle(kDeliveryBound));
  EXPECT_TRUE(device.IsLoggingActive());
}

TEST(ControlDeviceLogging, DevicesComeAndGoWhileTheHostLogs) {
  // Logging notifications keep arriving while devices are made and destroyed: none may reach a
  // destroyed device (the sanitizer builds catch a use after free or a race).
  auto& manager = SubscriptionManager::Instance();
  for (int round = 0; round < 200; ++round) {
    manager.PublishNamed(round % 2 == 0 ? "$TavrinloggerStartLogging$" : "$TavrinloggerStopLogging$");
    auto device = std::make_unique<KavoSonarConfigurationControlDevice>();
    manager.PublishNamed("$TavrinloggerStartLogging$");
    device.reset();
  }
  ASSERT_TRUE(manager.WaitIdle(kDeliveryBound));

  KavoSonarConfigurationControlDevice survivor;
  manager.PublishNamed("$TavrinloggerStartLogging$");
  ASSERT_TRUE(manager.WaitIdle(kDeliveryBound));
  EXPECT_TRUE(survivor.IsLoggingActive());
}

}  // namespace
