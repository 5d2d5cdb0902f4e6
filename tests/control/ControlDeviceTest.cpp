// The control device around its requests: keys, stored attributes, its device key and recording. (Every
// frame header field is checked in each record of ControlDeviceRequestsTest.)
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "platform/tavrin/CaptureIoHandler.h"
#include "platform/tavrin/FileObject.h"
#include "platform/tavrin/HostLogging.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "tests/control/ControlDeviceFixture.h"
#include "tests/platform/tavrin/DeviceFollower.h"

namespace {

constexpr auto kBound = std::chrono::seconds(5);
// "20240506_070809_ORV" after the u32 0, the rest of the 256-byte name field zero.
const std::string kNamedStart =
    Rc(1200, "00000000 32303234303530365f3037303830395f4f5256" + LeHex(0, 256 - 19));

void Publish(void (*publish)()) {
  publish();
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
}

TEST_F(ControlDeviceTest, TakesEachRequestKeyOfItsOperationsOnceAndNoOtherKey) {
  const auto keys = device_.GetRequestKeys();
  const std::set<std::string_view> unique(keys.begin(), keys.end());
  EXPECT_TRUE(keys.size() == 67u && unique.size() == 67u);  // the 39 dispatch steps' keys, counted by hand
  for (const char* key : {"ZqRange", "ZqSoundVelocityFilter", "ZqTriggerInputEdge", "ZqMBesXYZInfo"})
    EXPECT_TRUE(unique.contains(key)) << key;
  // Keys only read from the attributes, and a child key of the installation request.
  for (const char* key : {"Request", "ZqMaxCoverage", "GUIMinAngle", "ZqGainAlt", "ZqMBesXYZSonarId"})
    EXPECT_FALSE(unique.contains(key)) << key;
}

// Without a sonar socket, or for a head the socket does not know, no sender sends (remote control,
// single value, record request, installation record), yet each request is consumed and its value kept.
TEST_F(ControlDeviceTest, WithoutASonarToSendToRequestsAreStillTakenAndKept) {
  CaptureIoHandler plainPort;
  for (BaseIOHandler* port : {static_cast<BaseIOHandler*>(&plainPort), static_cast<BaseIOHandler*>(nullptr),
                              static_cast<BaseIOHandler*>(socket_.get())}) {
    device_.SetPortPtr(port);
    Run({"",
         {{"",
           "ZqRange=d:250 ZqAbsorption=d:40 ZqPingOnOffState=i:1 ZqLoadFactoryParameters=i:0 "
           "ZqMBesXYZInfo=m:[]",
           {}}},
         "ZqRange=d:250 ZqAbsorption=d:40 ZqPingOnOffState=i:1",
         5});  // head 5: unknown to the socket
  }
  EXPECT_TRUE(plainPort.Records().empty());
}

// A pass publishes the device key only when asked.
TEST_F(ControlDeviceTest, LoadingStoredAttributesDropsPendingRequestsAndADamagedFileChangesNothing) {
  DeviceFollower follower(CDataId(9, 78, 3, 1), {NotificationKind::kDeviceKey});
  device_.SetDataId(CDataId(9, 78, 3, 1));
  device_.ApplyAttribs(false);  // no "Request" at all
  Request().Add("ZqPower", COrvDouble(220.0));
  FileObject damaged("[{\"ZqRange\": {\"double\": 80.0}");
  EXPECT_FALSE(device_.LoadAttribs("", &damaged));
  EXPECT_TRUE(Request().Has("ZqPower"));
  FileObject stored(
      R"([{"ZqRange": {"double": 80.0}}, {"Request": {"map": [{"ZqRange": {"double": 250.0}}]}}])");
  ASSERT_TRUE(device_.LoadAttribs("sonar-1", &stored));
  EXPECT_FALSE(Attributes().Has("Request"));
  EXPECT_EQ(Attributes().FindValue("ZqRange"), COrvDouble(80.0));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  device_.ApplyAttribs(true);
  EXPECT_EQ(follower.Kinds().size(), 1u);
}

// Switched on while the host does not log, the sonar stops recording; logging then starts it with a
// file name of the time. Switched off, nothing follows the logging; on again while logging, it starts.
TEST_F(ControlDeviceTest, SynchronisedRecordingFollowsTheHostsLoggingBothWays) {
  Request().Add("SyncDataRecording", COrvBool(true));
  device_.ApplyAttribs(false);
  Publish(HostLogging::PublishStarted);
  Publish(HostLogging::PublishStopped);
  Request().Add("SyncDataRecording", COrvBool(false));
  device_.ApplyAttribs(false);
  Publish(HostLogging::PublishStarted);
  Request().Add("SyncDataRecording", COrvBool(true));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(), (std::vector{Rc(1201, ""), kNamedStart, Rc(1201, ""), kNamedStart}));
  EXPECT_FALSE(Request().Has("SyncDataRecording"));
  EXPECT_EQ(Attributes().FindValue("SyncDataRecording"), COrvBool(true));
  Publish(HostLogging::PublishStopped);
}

// Logging notifications on another thread while request passes run: every record is whole, one start
// or stop for each notification besides the passes' own.
TEST_F(ControlDeviceTest, LoggingNotificationsRacingRequestPassesCorruptNothing) {
  Attributes().Add("SyncDataRecording", COrvBool(true));
  std::thread host([] {
    for (int i = 0; i < 200; ++i) (i % 2 == 0 ? HostLogging::PublishStarted : HostLogging::PublishStopped)();
  });
  for (int i = 0; i < 200; ++i) {
    {
      std::lock_guard lock(device_.GetAttribLock());  // as the host writes a request
      Request().Add("ZqRange", COrvDouble(100.0 + i));
      Request().Add("ZqDirectoryName", COrvString("survey"));
    }
    device_.ApplyAttribs(false);
  }
  host.join();
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
  const auto sent = SentHex();
  EXPECT_EQ(sent.size(), 600U);
  for (const std::string& record : sent) {
    const bool pass = record.size() == 2 * 96 || record.size() == 2 * (92 + 256);
    EXPECT_TRUE(record == kNamedStart || record == Rc(1201, "") || pass) << record.substr(0, 80);
  }
  EXPECT_EQ(Attributes().FindValue("ZqRange"), COrvDouble(299.0));
}

TEST(ControlDeviceLifetime, DevicesComeAndGoWhileTheHostLogs) {
  // No notification may reach a destroyed device: the sanitizer builds catch a use after free or a race.
  auto& manager = SubscriptionManager::Instance();
  for (int round = 0; round < 200; ++round) {
    manager.PublishNamed(round % 2 == 0 ? "$TavrinloggerStartLogging$" : "$TavrinloggerStopLogging$");
    auto device = std::make_unique<KavoSonarConfigurationControlDevice>();
    manager.PublishNamed("$TavrinloggerStartLogging$");
  }
  EXPECT_TRUE(manager.WaitIdle(kBound));
}

}  // namespace
