// The request contract and the generic requests: what a request pass sends, in which order, and what
// it leaves in "Request" and in the device's attributes.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string_view>

#include "platform/tavrin/CaptureIoHandler.h"
#include "platform/tavrin/FileObject.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "tests/control/ControlDeviceFixture.h"

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

TEST_F(GenericRequests, SendInDispatchOrderAndStoreWhatWasRequested) {
  // Written in reverse dispatch order.
  Request().Add("ZqDataRecording", COrvInt(1));
  Request().Add("ZqPingOnOffState", COrvInt(0));
  Request().Add("ZqBeamSteer", COrvDouble2D(10.0, -5.0));
  Request().Add("ZqGain", COrvDouble(30.0));
  Request().Add("ZqPulseLength", COrvDouble(0.0005));
  Request().Add("ZqPower", COrvDouble(220.0));
  Request().Add("ZqMaxPingRate", COrvDouble(5.0));
  Request().Add("ZqRange", COrvDouble(0.1));  // no single-precision number is 0.1: the nearest one is sent
  Request().Add("ZqSpreadingLoss", COrvDouble(1.5));
  Request().Add("ZqAbsorption", COrvDouble(40.0));
  device_.ApplyAttribs(false);

  const std::vector<std::string> expected = {
      ExpectedHeader(72, 7611, 7000, 0) + "00002042" + ZeroHex(4),  // absorption 40 as a single-value record
      ExpectedHeader(72, 7612, 7000, 0) + "0000c03f" + ZeroHex(4),  // spreading loss 1.5
      ExpectedRemoteControl(1003, "cdcccc3d"),                      // f32 0.1
      ExpectedRemoteControl(1004, "0000a040"),                      // 5
      ExpectedRemoteControl(1005, "00005c43"),                      // 220
      ExpectedRemoteControl(1006, "6f12033a"),                      // 0.0005
      ExpectedRemoteControl(1008, "0000f041"),                      // 30
      ExpectedRemoteControl(1021, Fields("c2b8323e c2b8b2bd")),     // 10 and -5 degrees in radians
      ExpectedRemoteControl(1101, ""),                              // ping off
      ExpectedRemoteControl(1200, ZeroHex(260)),                    // start recording, no file name
  };
  EXPECT_EQ(SentHex(), expected);

  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqAbsorption"), 40.0);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 0.1);  // as requested, not as sent
  double first = 0.0;
  double second = 0.0;
  ASSERT_TRUE(Attributes().FindValue("ZqBeamSteer").GetValue(first, second));
  EXPECT_EQ(first, 10.0);  // degrees, as requested
  EXPECT_EQ(second, -5.0);
  EXPECT_EQ(StoredInt(Attributes(), "ZqPingOnOffState"), 0);
  EXPECT_EQ(StoredInt(Attributes(), "ZqDataRecording"), 1);
}

TEST_F(GenericRequests, TheDeviceTakesEachRequestKeyOfItsDispatchOnceAndNoOtherKey) {
  const auto keys = device_.GetRequestKeys();
  const std::set<std::string_view> unique(keys.begin(), keys.end());
  EXPECT_EQ(keys.size(), 67u);  // the "Request" keys of the 39 dispatch steps, counted by hand
  EXPECT_EQ(unique.size(), keys.size());
  for (const char* key : {"ZqRange", "ZqSoundVelocityFilter", "ZqTriggerInputEdge", "ZqMBesXYZInfo"}) {
    EXPECT_TRUE(unique.contains(key)) << key;
  }
  // Keys only read from the attributes, and a child key of the installation request.
  for (const char* key : {"Request", "ZqMaxCoverage", "GUIMinAngle", "ZqGainAlt", "ZqMBesXYZSonarId"}) {
    EXPECT_FALSE(unique.contains(key)) << key;
  }
}

TEST_F(GenericRequests, SwitchesSendOnForAnyNonZeroAndOffWithoutPayloadToTheOwnHead) {
  socket_->SetZqDeviceId(2, 7012);
  device_.SetZqDeviceEnum(2);
  for (const int state : {7, 0}) {
    Request().Add("ZqPingOnOffState", COrvInt(state));
    Request().Add("ZqDataRecording", COrvInt(state));
    Request().Add("ZqSpreadingLoss", COrvDouble(state));
    device_.ApplyAttribs(false);
    EXPECT_EQ(StoredInt(Attributes(), "ZqPingOnOffState"), state);
  }
  const std::vector<std::string> expected = {
      ExpectedHeader(72, 7612, 7012, 2) + "0000e040" + ZeroHex(4),  // f32 7
      ExpectedRemoteControl(1100, "", 7012, 2),
      ExpectedRemoteControl(1200, ZeroHex(260), 7012, 2),
      ExpectedHeader(72, 7612, 7012, 2) + ZeroHex(4) + ZeroHex(4),  // f32 0
      ExpectedRemoteControl(1101, "", 7012, 2),
      ExpectedRemoteControl(1201, "", 7012, 2)};
  EXPECT_EQ(SentHex(), expected);
}

TEST_F(GenericRequests, UnreadableValueStaysPendingUntilAWriterReplacesIt) {
  Attributes().Add("ZqRange", COrvDouble(100.0));
  Request().Add("ZqRange", COrvInt(250));             // not a double
  Request().Add("ZqPingOnOffState", COrvBool(true));  // not an int
  Request().Add("ZqBeamSteer", COrvDouble(3.0));      // not a pair
  Request().Add("ZqPower", COrvDouble(220.0));
  device_.ApplyAttribs(false);

  EXPECT_EQ(SentHex(), std::vector{ExpectedRemoteControl(1005, "00005c43")});
  EXPECT_EQ(Request().GetCount(), 3);
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 100.0);
  EXPECT_FALSE(Attributes().Has("ZqPingOnOffState"));

  Request().Add("ZqRange", COrvDouble(250.0));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(1003, "00007a43"));
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 250.0);
}

TEST_F(GenericRequests, ValueIsStoredEvenWhenNothingCanBeSent) {
  CaptureIoHandler plainPort;
  for (const int noSonarSocket : {1, 0}) {
    device_.SetPortPtr(noSonarSocket != 0 ? static_cast<BaseIOHandler*>(&plainPort) : socket_.get());
    device_.SetZqDeviceEnum(noSonarSocket != 0 ? 0 : 4);  // head 4 is one the socket does not know
    Request().Add("ZqRange", COrvDouble(250.0 + noSonarSocket));
    Request().Add("ZqAbsorption", COrvDouble(40.0));
    device_.ApplyAttribs(false);
    EXPECT_EQ(Request().GetCount(), 0);
    EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 250.0 + noSonarSocket);
  }
  EXPECT_TRUE(SentHex().empty());
  EXPECT_TRUE(plainPort.Records().empty());
}

TEST_F(GenericRequests, NothingIsSentWithoutRequestsAndLoadingDropsPendingOnes) {
  device_.ApplyAttribs(false);  // no "Request" at all
  Request().Add("ZqPower", COrvDouble(220.0));
  FileObject damaged("[{\"ZqRange\": {\"double\": 80.0}");
  EXPECT_FALSE(device_.LoadAttribs("", &damaged));
  EXPECT_TRUE(Request().Has("ZqPower"));

  FileObject stored(
      R"([{"ZqRange": {"double": 80.0}}, {"Request": {"map": [{"ZqRange": {"double": 250.0}}]}}])");
  ASSERT_TRUE(device_.LoadAttribs("sonar-1", &stored));
  EXPECT_FALSE(Attributes().Has("Request"));
  EXPECT_EQ(StoredDouble(Attributes(), "ZqRange"), 80.0);
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
}

TEST_F(GenericRequests, PassPublishesTheDeviceKeyWhenAsked) {
  struct Counter : Subscriber {
    void Notify(const NotificationInfo*) override { ++count; }
    int count = 0;
  };
  auto* counter = new Counter;
  SubscriptionImpl subscription(NotificationKind::kDeviceKey);
  subscription.SetSubscriber(counter, true);
  subscription.Subscribe("9.78.3.1");
  device_.SetDataId(CDataId(9, 78, 3, 1));

  device_.ApplyAttribs(false);
  device_.ApplyAttribs(true);
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kDeliveryBound));
  EXPECT_EQ(counter->count, 1);
}

TEST(ControlDeviceLogging, DevicesComeAndGoWhileTheHostLogs) {
  // No notification may reach a destroyed device: the sanitizer builds catch a use after free or a race.
  auto& manager = SubscriptionManager::Instance();
  for (int round = 0; round < 200; ++round) {
    manager.PublishNamed(round % 2 == 0 ? "$TavrinloggerStartLogging$" : "$TavrinloggerStopLogging$");
    auto device = std::make_unique<KavoSonarConfigurationControlDevice>();
    manager.PublishNamed("$TavrinloggerStartLogging$");
  }
  EXPECT_TRUE(manager.WaitIdle(kDeliveryBound));
}

}  // namespace
