// The ping sequencer over the host's devices: which sonars it takes, what their first settings data
// sends, how later settings data and buffer status move each group's sequence, and its stop.
#include "sequencing/KavoSonarConfigurationInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/tavrin/COrvType.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/tavrin/VesselManager.h"
#include "tests/control/ControlDeviceFixture.h"
#include "tests/sequencing/SequencingFakes.h"

namespace {

using namespace std::chrono_literals;

// A tracker of its own for each test; the plug-in's one instance stays untouched.
class Tracker : public KavoSonarConfigurationInfo {};

struct SonarSetup {
  std::string name;
  CDataId id;
  std::optional<int> pingMode, groupId, deviceId, deviceEnum;
  std::optional<double> overhead;
};

// Settings data of a ping: range (item 699), sound velocity (item 401).
CDataBlock Settings(float range, double soundVelocity = 1500.0) {
  CDataBlock block;
  block.AddF32(699, 2, range);
  block.AddF64(401, 2, soundVelocity);
  return block;
}

class KavoSonarConfigurationInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VesselManager::GetVesselManager().Clear();
    VesselManager::GetVesselManager().AddVessel(1, "Survey Vessel");
    VesselManager::GetVesselManager().AddVessel(2, "Launch");
  }
  void TearDown() override {
    tracker.Exit();
    for (const auto& [name, id] : ids) DataManager::GetDataManager().RemoveDevice(id);
    VesselManager::GetVesselManager().Clear();
  }

  void AddSonar(const SonarSetup& setup) {
    auto device = std::make_unique<Device>();
    device->SetDataId(setup.id);
    CAttributeMap& attributes = device->GetAttributes();
    if (setup.pingMode) attributes.Add("PingMode", COrvInt(*setup.pingMode));
    if (setup.groupId) attributes.Add("SonarGroupId", COrvInt(*setup.groupId));
    if (setup.deviceId) attributes.Add("DeviceId", COrvInt(*setup.deviceId));
    if (setup.deviceEnum) attributes.Add("DeviceEnum", COrvInt(*setup.deviceEnum));
    if (setup.overhead) attributes.Add("Overhead", COrvDouble(*setup.overhead));
    auto port = std::make_unique<LoggingPort>(setup.name, log);
    port->devices.push_back(device.get());
    device->SetPortPtr(port.get());
    ids[setup.name] = setup.id;
    ports[setup.name] = std::move(port);
    ASSERT_TRUE(DataManager::GetDataManager().AddDevice(std::move(device)));
  }
  // The sonar's settings data arrives, and every notification it causes has been handled.
  void Feed(const std::string& sonar, const CDataBlock& block) {
    DataManager::GetDataManager().StoreDataBlock(ids.at(sonar), block);
    ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(5s));
  }
  void SetStatus(const std::string& sonar, unsigned short status) {
    DataManager::GetDataManager().FindDevice(ids.at(sonar))->SetBufferStatus(status);
    ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(5s));
  }
  // The records that went to a sonar, as hex with the time stamp masked.
  std::vector<std::string> SentTo(const std::string& sonar) {
    std::vector<std::string> records;
    for (const SendLog::Sent& sent : log.All()) {
      if (sent.sonar == sonar) records.push_back(HexWithoutTime(sent.record));
    }
    return records;
  }

  MainWindowOpen window;
  SendLog log;
  std::map<std::string, CDataId> ids;
  std::map<std::string, std::unique_ptr<LoggingPort>> ports;
  Tracker tracker;  // declared last: its threads stop before the ports go
};

// Maximum ping rate 0.0 (remote control 1004, ticket 1004, no tracking number, f32 0.0).
std::string NoPingRate(unsigned deviceId, unsigned deviceEnum) {
  return ExpectedHeader(96, 7500, deviceId, deviceEnum) + LeHex(1004, 4) + LeHex(1004, 4) + ZeroHex(16) +
         Fields("00000000") + ZeroHex(4);
}
// The trigger (remote control 1107, no payload).
std::string Trigger(unsigned deviceId, unsigned deviceEnum) {
  return ExpectedHeader(92, 7500, deviceId, deviceEnum) + LeHex(1107, 4) + LeHex(1107, 4) + ZeroHex(16) +
         ZeroHex(4);
}

TEST_F(KavoSonarConfigurationInfoTest, SequencesTheSonarsWithPingModeAndDeviceIdOnEveryVesselByGroup) {
  AddSonar({"a", CDataId(1, 78, 1, 1), 1, 1, 7000, 0, 10.0});
  AddSonar({"b", CDataId(2, 78, 1, 1), 1, 1, 7001, 3, std::nullopt});
  AddSonar({"off", CDataId(3, 78, 1, 1), 0, 1, 7002, 0, std::nullopt});            // PingMode 0
  AddSonar({"sensor", CDataId(4, 40, 1, 1), 1, 1, 7003, 0, std::nullopt});         // not a sonar
  AddSonar({"no id", CDataId(5, 78, 1, 1), 1, 1, std::nullopt, 0, std::nullopt});  // no DeviceId
  AddSonar({"launch", CDataId(1, 78, 1, 2), 1, std::nullopt, 7005, std::nullopt, std::nullopt});
  tracker.Init();

  for (const char* sonar : {"a", "b", "off", "sensor", "no id", "launch"}) Feed(sonar, Settings(50.0F));
  // a and b share group 1: a is triggered and b waits; the launch's sonar, in group 0, has a thread
  // of its own.
  ASSERT_TRUE(log.WaitForCount(5));
  EXPECT_FALSE(log.MoreThanWithin(5, 30ms));
  EXPECT_EQ(SentTo("a"), (std::vector<std::string>{NoPingRate(7000, 0), Trigger(7000, 0)}));
  EXPECT_EQ(SentTo("b"), (std::vector<std::string>{NoPingRate(7001, 3)}));
  EXPECT_EQ(SentTo("launch"), (std::vector<std::string>{NoPingRate(7005, 0), Trigger(7005, 0)}));
  for (const char* ignored : {"off", "sensor", "no id"}) EXPECT_TRUE(SentTo(ignored).empty()) << ignored;

  // b's data while a is served changes nothing; a's releases a and b is triggered.
  Feed("b", Settings(50.0F));
  EXPECT_FALSE(log.MoreThanWithin(5, 30ms));
  Feed("a", Settings(50.0F));
  ASSERT_TRUE(log.WaitForCount(6));
  EXPECT_EQ(SentTo("b"), (std::vector<std::string>{NoPingRate(7001, 3), Trigger(7001, 3)}));
  Feed("b", Settings(50.0F));
  ASSERT_TRUE(log.WaitForCount(7));
  // The trigger is built once: every trigger of a carries the same bytes, time stamp included.
  std::vector<std::string> triggersOfA;
  for (const SendLog::Sent& sent : log.All()) {
    if (sent.sonar == "a" && sent.record.size() == 92) triggersOfA.push_back(sent.record);
  }
  ASSERT_EQ(triggersOfA.size(), 2u);
  EXPECT_EQ(triggersOfA[0], triggersOfA[1]);
}

TEST_F(KavoSonarConfigurationInfoTest, TheGuardTimeComesFromRangeSoundVelocityAndOverhead) {
  // 150 m at 1500 m/s: 200 ms there and back; 110 % of it is 220 ms.
  AddSonar({"a", CDataId(1, 78, 1, 1), 1, 7, 7000, 0, 110.0});
  AddSonar({"b", CDataId(2, 78, 1, 1), 1, 7, 7001, 0, 110.0});
  tracker.Init();
  Feed("a", Settings(150.0F));
  Feed("b", Settings(150.0F));
  ASSERT_TRUE(log.WaitForCount(3));  // a: 1004 and trigger; b: 1004
  const auto released = std::chrono::steady_clock::now();
  Feed("a", Settings(150.0F));
  ASSERT_TRUE(log.WaitForCount(4));
  EXPECT_GE(std::chrono::steady_clock::now() - released, 220ms);
}

TEST_F(KavoSonarConfigurationInfoTest, SettingsDataThatIsNotValidDoNotStartASonar) {
  AddSonar({"a", CDataId(1, 78, 1, 1), 1, 1, 7000, 0, 0.0});
  tracker.Init();
  CDataBlock invalid = Settings(50.0F);
  invalid.SetStatus(1);
  Feed("a", invalid);
  EXPECT_FALSE(log.MoreThanWithin(0, 30ms));
  Feed("a", Settings(50.0F));
  ASSERT_TRUE(log.WaitForCount(2));
}

TEST_F(KavoSonarConfigurationInfoTest, ASonarWhoseBufferStatusTurnsBadLeavesItsGroupAndComesBack) {
  AddSonar({"a", CDataId(1, 78, 1, 1), 1, 1, 7000, 0, 0.0});
  AddSonar({"b", CDataId(2, 78, 1, 1), 1, 1, 7001, 0, 0.0});
  tracker.Init();
  Feed("a", Settings(50.0F));
  ASSERT_TRUE(log.WaitForCount(2));  // a's trigger leaves before b's first record
  Feed("b", Settings(50.0F));
  ASSERT_TRUE(log.WaitForCount(3));
  SetStatus("a", 1);  // a, being served, is released at once: b is triggered
  ASSERT_TRUE(log.WaitForCount(4));
  Feed("b", Settings(50.0F));  // a is skipped: b again
  ASSERT_TRUE(log.WaitForCount(5));
  SetStatus("a", 0);
  Feed("b", Settings(50.0F));
  ASSERT_TRUE(log.WaitForCount(6));
  EXPECT_EQ(log.Sonars(), (std::vector<std::string>{"a", "a", "b", "b", "b", "a"}));
}

TEST_F(KavoSonarConfigurationInfoTest, ExitStopsEverySequenceAtOnceAndFollowsNothingMore) {
  AddSonar({"a", CDataId(1, 78, 1, 1), 1, 1, 7000, 0, 0.0});
  AddSonar({"b", CDataId(2, 78, 1, 2), 1, 2, 7001, 0, 0.0});
  tracker.Init();
  Feed("a", Settings(50.0F));
  Feed("b", Settings(50.0F));
  ASSERT_TRUE(log.WaitForCount(4));  // both groups wait on their sonar's release
  tracker.Exit();
  Feed("a", Settings(50.0F));
  SetStatus("b", 1);
  EXPECT_FALSE(log.MoreThanWithin(4, 30ms));
  // A new start forgets what was seen: the first settings data switches the sonar again.
  tracker.Init();
  Feed("a", Settings(50.0F));
  ASSERT_TRUE(log.WaitForCount(6));
  EXPECT_EQ(SentTo("a")[2], NoPingRate(7000, 0));
}

TEST_F(KavoSonarConfigurationInfoTest, StartsAndStopsWhileSettingsDataStreamIn) {
  // The handlers read the tracker's lists on the notification thread while Init and Exit change
  // them here; the thread sanitizer sees any overlap.
  for (std::uint16_t n = 1; n <= 8; ++n) {
    AddSonar({"s" + std::to_string(n), CDataId(n, 78, 1, 1), 1, n % 2, 7000 + n, 0, 0.0});
  }
  std::atomic<bool> streaming{true};
  std::thread sonars([&] {
    while (streaming) {
      for (const auto& [name, id] : ids) DataManager::GetDataManager().StoreDataBlock(id, Settings(50.0F));
      std::this_thread::sleep_for(1ms);
    }
  });
  for (int round = 0; round < 20; ++round) {
    tracker.Init();
    std::this_thread::sleep_for(2ms);
    tracker.Exit();
  }
  streaming = false;
  sonars.join();
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(5s));
  const std::size_t sent = log.Count();
  EXPECT_GT(sent, 0u);
  EXPECT_FALSE(log.MoreThanWithin(sent, 30ms));  // nothing follows the last stop
}

}  // namespace
