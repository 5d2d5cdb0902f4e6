// The ping sequencer over the host's devices: which sonars it takes, their first settings, its stop.
// (Turns of running sonars: tests/e2e/SequencedPingingTest.cpp.)
#include "sequencing/KavoSonarConfigurationInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "tests/control/ControlDeviceFixture.h"
#include "tests/sequencing/SequencingFakes.h"

namespace {

using namespace std::chrono_literals;

// A tracker of its own for each test; the plug-in's one instance stays untouched.
class Tracker : public KavoSonarConfigurationInfo {};

// Remote controls from the sequencer (no tracking number): the maximum ping rate 0.0, and the trigger.
const auto NoPingRate = [](unsigned id, unsigned head) {
  return ExpectedRemoteControl(1004, "00000000", id, head, 0);
};
const auto Trigger = [](unsigned id, unsigned head) { return ExpectedRemoteControl(1107, "", id, head, 0); };

class KavoSonarConfigurationInfoTest : public SequencedSonars {
 protected:
  ~KavoSonarConfigurationInfoTest() override { tracker.Exit(); }

  std::vector<std::string> SentTo(const std::string& sonar) {
    std::vector<std::string> records;
    for (const SendLog::Sent& sent : log.All())
      if (sent.sonar == sonar) records.push_back(HexWithoutTime(sent.record));
    return records;
  }

  Tracker tracker;  // its threads stop before the fixture's ports go
};

// Sonars (data group 78) with a non-zero PingMode and a DeviceId, on every vessel, by SonarGroupId (0
// when missing). Valid settings data switch a sonar to pinging on trigger and add it to its group's
// thread: the first is triggered, the others wait for its release.
TEST_F(KavoSonarConfigurationInfoTest,
       SequencesTheSonarsWithPingModeAndDeviceIdOnEveryVesselByGroupUntilExit) {
  AddSonar({"a", CDataId(1, 78, 1, 1), 1, 1, 7000, 0});
  AddSonar({"b", CDataId(2, 78, 1, 1), 1, 1, 7001, 3});
  AddSonar({"off", CDataId(3, 78, 1, 1), 0, 1, 7002, 0});
  AddSonar({"sensor", CDataId(4, 40, 1, 1), 1, 1, 7003, 0});
  AddSonar({"no id", CDataId(5, 78, 1, 1), 1, 1, std::nullopt, 0});
  AddSonar({"launch", CDataId(1, 78, 1, 2), 1, std::nullopt, 7005, std::nullopt});
  tracker.Init();

  Feed("a", Settings(1));
  EXPECT_FALSE(log.MoreThan(0, 30ms));
  for (const char* sonar : {"a", "b", "off", "sensor", "no id", "launch"}) Feed(sonar);
  ASSERT_TRUE(log.WaitForCount(5));
  EXPECT_FALSE(log.MoreThan(5, 30ms));
  EXPECT_EQ(SentTo("a"), (std::vector{NoPingRate(7000, 0), Trigger(7000, 0)}));
  EXPECT_EQ(SentTo("b"), (std::vector{NoPingRate(7001, 3)}));
  EXPECT_EQ(SentTo("launch"), (std::vector{NoPingRate(7005, 0), Trigger(7005, 0)}));
  for (const char* ignored : {"off", "sensor", "no id"}) EXPECT_TRUE(SentTo(ignored).empty()) << ignored;

  // Exit ends every subscription and joins every thread (both groups wait on a release); a new start
  // forgets what was seen, so the first settings data switch the sonar again.
  tracker.Exit();
  Feed("a");
  DataManager::GetDataManager().FindDevice(ids.at("launch"))->SetBufferStatus(1);
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(5s));
  EXPECT_FALSE(log.MoreThan(5, 30ms));
  tracker.Init();
  Feed("a");
  ASSERT_TRUE(log.WaitForCount(7));
  EXPECT_EQ(SentTo("a"),
            (std::vector{NoPingRate(7000, 0), Trigger(7000, 0), NoPingRate(7000, 0), Trigger(7000, 0)}));
}

// The handlers read the tracker's lists on the notification thread while Init and Exit change them
// here; the thread sanitizer sees any overlap.
TEST_F(KavoSonarConfigurationInfoTest, StartsAndStopsWhileSettingsDataStreamIn) {
  for (std::uint16_t n = 1; n <= 8; ++n)
    AddSonar({"s" + std::to_string(n), CDataId(n, 78, 1, 1), 1, n % 2, 7000 + n, 0});
  std::atomic<bool> streaming{true};
  std::thread sonars([&] {
    while (streaming) {
      for (const auto& [name, id] : ids) DataManager::GetDataManager().StoreDataBlock(id, Settings());
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
  const std::size_t sent = log.All().size();
  EXPECT_GT(sent, 0u);
  EXPECT_FALSE(log.MoreThan(sent, 30ms));  // nothing follows the last stop
}

}  // namespace
