// A device's data time-out and buffer status, the timer that finds missing data, the link's reports and
// the notification of each change.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/tavrin/DataTimeOut.h"
#include "platform/tavrin/TimerQueue.h"
#include "platform/zq/KavoDevice.h"
#include "tests/platform/tavrin/DeviceFollower.h"
#include "tests/platform/zq/ZqTestRecords.h"

namespace {

using namespace std::chrono_literals;
using Clock = DataTimeOut::Clock;
using namespace zqtest;

TEST(DataTimeOut, CountsFromTheLatestDataReEnablingOrRestartAndNeverWhileDisabled) {
  const Clock::time_point t0{std::chrono::seconds(1000)};
  constexpr Clock::duration kTick{1};
  DataTimeOut timeOut(t0);
  EXPECT_FALSE(timeOut.HasExpired(t0 + 1h));  // no limit: never
  EXPECT_FALSE(timeOut.ExpiresAt().has_value());
  timeOut.SetLimit(2s);
  // It runs out just after the limit, and its deadline is that very moment.
  EXPECT_FALSE(timeOut.HasExpired(t0 + 2s));
  EXPECT_TRUE(timeOut.HasExpired(t0 + 2s + kTick));
  EXPECT_EQ(timeOut.ExpiresAt(), t0 + 2s + kTick);

  timeOut.NoteData(t0 + 10s);
  EXPECT_EQ(timeOut.ExpiresAt(), t0 + 12s + kTick);
  // Waiting its turn for 30 s does not count; switched back on at 40 s, the wait starts there.
  timeOut.Disable(true, t0 + 10s);
  EXPECT_FALSE(timeOut.HasExpired(t0 + 40s));
  EXPECT_FALSE(timeOut.ExpiresAt().has_value());
  timeOut.Disable(false, t0 + 40s);
  EXPECT_EQ(timeOut.ExpiresAt(), t0 + 42s + kTick);
  // Switching on what is on starts no new wait, or repeating it would hide data that stays away.
  timeOut.Disable(false, t0 + 41s);
  EXPECT_EQ(timeOut.ExpiresAt(), t0 + 42s + kTick);

  // A new connection starts a fresh wait; an older moment does not move the wait back.
  timeOut.RestartWait(t0 + 50s);
  timeOut.NoteData(t0 + 45s);
  EXPECT_EQ(timeOut.ExpiresAt(), t0 + 52s + kTick);
  // A lower bound longer than the limit (a long ping) holds it up; a shorter one changes nothing.
  EXPECT_FALSE(timeOut.HasExpired(t0 + 62s, 12s));
  EXPECT_TRUE(timeOut.HasExpired(t0 + 62s + kTick, 12s));
  EXPECT_EQ(timeOut.ExpiresAt(12s), t0 + 62s + kTick);
  EXPECT_EQ(timeOut.ExpiresAt(1s), t0 + 52s + kTick);
  timeOut.SetLimit(Clock::duration::zero());
  EXPECT_FALSE(timeOut.HasExpired(t0 + 1h, 12s));  // a lower bound gives no limit to a time-out without one
  EXPECT_FALSE(timeOut.ExpiresAt(12s).has_value());
}

TEST(TimerQueue, TimersRunInDeadlineOrderAndAMovedOrDisarmedDeadlineDoesNotCount) {
  TimerQueue queue;
  std::mutex mutex;
  std::vector<int> ran;
  const auto note = [&](int timer) {
    return [&, timer] {
      std::lock_guard lock(mutex);
      ran.push_back(timer);
    };
  };
  TimerQueue::Timer first(queue, note(1)), second(queue, note(2)), moved(queue, note(3)),
      disarmed(queue, note(4));
  const auto now = Clock::now();
  second.Arm(now + 40ms);
  moved.Arm(now + 10ms);
  first.Arm(now + 20ms);
  disarmed.Arm(now + 30ms);
  moved.Arm(now + 60ms);
  disarmed.Disarm();
  // A disarmed or moved deadline that ran anyway would come before the last one.
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard lock(mutex);
    return ran.size() == 3;
  }));
  std::lock_guard lock(mutex);
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

// A sonar device in the data manager for the test's duration, so that its buffer is found by id, and
// the statuses it announces.
class DeviceBufferStatus : public ::testing::Test {
 protected:
  DeviceBufferStatus() {
    auto device = std::make_unique<KavoDevice>();
    device->SetDataId(id);
    sonar = device.get();
    EXPECT_TRUE(DataManager::GetDataManager().AddDevice(std::move(device)));
  }
  ~DeviceBufferStatus() override { DataManager::GetDataManager().RemoveDevice(id); }
  void Process(std::string record) { zqtest::Process(*sonar, std::move(record)); }

  const CDataId id{9302, 78, 1, 1};
  TimerQueue timers;  // outlives the device's timer
  KavoDevice* sonar = nullptr;
  DeviceFollower follower{id};
};

TEST_F(DeviceBufferStatus, OnlyValidSettingsDataSetsItFlowingAtOnce) {
  EXPECT_EQ(StatusOf(id), -1);  // no status before the first is set
  sonar->SetLinkConnected(false);
  sonar->SetLinkConnected(false);  // no change: not notified again
  ASSERT_TRUE(follower.Await({1}));
  // BITE results, events, a configuration and settings too short to decode are no settings data.
  Process(Record(7021, std::string(40, '\0')));
  Process(Record(7051, "EVT1" + std::string(20, '\0')));
  Process(ConfigurationRecord("<ZqConfiguration/>"));
  Process(SettingsRecord(7000).substr(0, 659));
  EXPECT_EQ(StatusOf(id), 1);
  Process(SettingsRecord(7503));
  EXPECT_EQ(StatusOf(id), 0);  // set as it arrives
  for (int ping = 0; ping < 5; ++ping) Process(SettingsRecord(7000));
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0}));
}

// (Link loss, reconnection, a time-out and data coming back through the host: the end-to-end
// SequencedPingingTest and RequestRoundTripTest.)
TEST_F(DeviceBufferStatus, NoTimeOutWhileTheLinkIsDownOrWhileDisabledAndALostLinkStaysLost) {
  constexpr auto kTimeOut = 100ms;
  sonar->SetDataTimeOut(kTimeOut);
  sonar->RunDataTimeOut(timers);
  sonar->SetLinkConnected(false);
  ASSERT_TRUE(follower.Await({1}));
  std::this_thread::sleep_for(2 * kTimeOut);
  sonar->SetLinkConnected(true);
  ASSERT_TRUE(follower.Await({1, 0, 2}));  // the sonar stays quiet
  // Waiting its turn: the time-out is withdrawn at once and not reported however long it waits.
  sonar->DisableTimeOut(true);
  EXPECT_EQ(StatusOf(id), 0);
  ASSERT_TRUE(follower.Await({1, 0, 2, 0}));
  std::this_thread::sleep_for(3 * kTimeOut);
  sonar->DisableTimeOut(false);  // a fresh wait, then missing again
  ASSERT_TRUE(follower.Await({1, 0, 2, 0, 2}));
  // A link that drops is link down whether or not the time-out is on, and stays so.
  sonar->SetLinkConnected(false);
  sonar->DisableTimeOut(true);
  sonar->DisableTimeOut(false);
  std::this_thread::sleep_for(2 * kTimeOut);
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0, 2, 0, 2, 1}));
}

TEST_F(DeviceBufferStatus, TheFloorHoldsUpATimeOutThatHasRunOut) {
  // A 1 ms time-out on a sonar whose ping takes 60 ms: not timed out before the ping could end.
  static constexpr auto kPing = 60ms;
  sonar->SetDataTimeOut(1ms);
  sonar->RunDataTimeOut(timers, [](const Device&) { return kPing; });
  const auto connected = Clock::now();
  sonar->SetLinkConnected(true);
  ASSERT_TRUE(follower.Await({0, 2}));
  EXPECT_GT(Clock::now() - connected, kPing);
}

}  // namespace
