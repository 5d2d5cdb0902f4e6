// One sonar group's trigger thread: the order of its triggers, what releases a trigger, the guard
// time, sonars that leave and come back, and the data time-outs of the sonars that wait their turn.
#include "sequencing/TimerThread.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/tavrin/ThreadName.h"
#include "tests/sequencing/SequencingFakes.h"

namespace {

using namespace std::chrono_literals;
using Sonars = std::vector<std::string>;

// Sonars A, B and C of group 5, each with a device on a port of its own, added in that order.
class TimerThreadTest : public ::testing::Test {
 protected:
  static constexpr std::array<const char*, 3> kNames{"A", "B", "C"};

  TimerThreadTest() {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      ids[i] = CDataId(static_cast<std::uint16_t>(i + 1), 78, 1, 1);
      ports[i] = std::make_unique<LoggingPort>(kNames[i], log);
      devices[i].SetDataId(ids[i]);
      devices[i].SetPortPtr(ports[i].get());
      ports[i]->devices.push_back(&devices[i]);
    }
  }

  void AddAll() {
    for (std::size_t i = 0; i < kNames.size(); ++i) timer.AddEntry(ids[i], &devices[i], Trigger(i));
  }
  static CString Trigger(std::size_t sonar) { return CString(std::string("trigger ") + kNames[sonar]); }

  // Releases the sonar whose trigger was the n-th record sent (counting from 1), once it was sent.
  void ReleaseTrigger(std::size_t n, std::uint32_t delayMs = 0) {
    ASSERT_TRUE(log.WaitForCount(n));
    const std::string trigger = log.All()[n - 1].record;  // "trigger A"
    timer.SetDelay(ids[static_cast<std::size_t>(trigger.back() - 'A')], delayMs);
  }
  Sonars FirstTriggers(std::size_t count) {
    EXPECT_TRUE(log.WaitForCount(count));
    Sonars sonars = log.Sonars();
    sonars.resize(count);
    return sonars;
  }

  MainWindowOpen window;
  SendLog log;
  std::array<CDataId, 3> ids;
  std::array<std::unique_ptr<LoggingPort>, 3> ports;
  std::array<Device, 3> devices;
  TimerThread timer{5};  // declared last: stopped before the devices go
};

TEST_F(TimerThreadTest, TriggersEachSonarInTurnAfterTheReleaseOfTheOneBefore) {
  AddAll();
  EXPECT_EQ(timer.GetGroupId(), 5);
  EXPECT_TRUE(timer.HasEntry(ids[1]));
  EXPECT_FALSE(timer.HasEntry(CDataId(9, 78, 1, 1)));
  for (std::size_t n = 1; n <= 6; ++n) {
    // Nothing more goes out until the sonar triggered last is released.
    ASSERT_TRUE(log.WaitForCount(n));
    EXPECT_FALSE(log.MoreThanWithin(n, 20ms));
    ReleaseTrigger(n);
  }
  EXPECT_EQ(FirstTriggers(7), (Sonars{"A", "B", "C", "A", "B", "C", "A"}));
  // Every trigger is the record the sonar was added with, sent through its own device.
  const auto sent = log.All();
  EXPECT_EQ(sent[0].record, "trigger A");
  EXPECT_EQ(sent[4].record, "trigger B");
}

TEST_F(TimerThreadTest, TheGuardTimePassesBetweenAReleaseAndTheNextTrigger) {
  AddAll();
  ASSERT_TRUE(log.WaitForCount(1));
  const auto released = std::chrono::steady_clock::now();
  ReleaseTrigger(1, 80);
  ASSERT_TRUE(log.WaitForCount(2));
  EXPECT_GE(std::chrono::steady_clock::now() - released, 80ms);
}

TEST_F(TimerThreadTest, ADelayForASonarThatIsNotServedNeitherReleasesNorDelays) {
  AddAll();
  ASSERT_TRUE(log.WaitForCount(1));
  timer.SetDelay(ids[1], 5000);  // B waits its turn
  timer.SetDelay(ids[2], 5000);
  EXPECT_FALSE(log.MoreThanWithin(1, 50ms));
  // Had B's guard time been taken for A's, the next trigger would be five seconds away.
  ReleaseTrigger(1);
  EXPECT_EQ(FirstTriggers(2), (Sonars{"A", "B"}));
}

TEST_F(TimerThreadTest, AReleaseDuringTheSendIsNotLost) {
  // A sonar so quick that its first release arrives while its trigger is still being sent: the
  // wait after that trigger passes at once, and the sonar, alone in its group, is triggered again.
  int sends = 0;  // the worker's own
  ports[0]->onSend = [&](const CString&) {
    if (sends++ == 0) timer.SetDelay(ids[0], 0);
  };
  timer.AddEntry(ids[0], &devices[0], Trigger(0));
  EXPECT_EQ(FirstTriggers(2), (Sonars{"A", "A"}));
  EXPECT_FALSE(log.MoreThanWithin(2, 30ms));  // the second waits for a release of its own
}

TEST_F(TimerThreadTest, ASonarThatLeavesIsReleasedAtOnceAndSkippedUntilItComesBack) {
  AddAll();
  ASSERT_TRUE(log.WaitForCount(1));
  timer.OnBufferStatus(ids[1], 1);  // B leaves while A is served: A is still waited for
  EXPECT_FALSE(log.MoreThanWithin(1, 30ms));
  ReleaseTrigger(1);  // A; B is skipped
  ASSERT_TRUE(log.WaitForCount(2));
  timer.OnBufferStatus(ids[2], 3);  // C leaves while served: released without a release of its own
  ASSERT_TRUE(log.WaitForCount(3));
  ReleaseTrigger(3);  // A again, the only one left
  ASSERT_TRUE(log.WaitForCount(4));
  timer.OnBufferStatus(ids[1], 0);  // B is back
  ReleaseTrigger(4);
  EXPECT_EQ(FirstTriggers(5), (Sonars{"A", "C", "A", "A", "B"}));
}

TEST_F(TimerThreadTest, WithEverySonarGoneTheThreadEndsAndTheFirstToComeBackStartsIt) {
  AddAll();
  ReleaseTrigger(1);
  ASSERT_TRUE(log.WaitForCount(2));  // B is served
  timer.OnBufferStatus(ids[0], 1);
  timer.OnBufferStatus(ids[2], 1);
  timer.OnBufferStatus(ids[1], 1);  // the last one: the thread is stopped and joined here
  EXPECT_FALSE(log.MoreThanWithin(2, 50ms));
  timer.OnBufferStatus(ids[2], 0);
  ReleaseTrigger(3);
  EXPECT_EQ(FirstTriggers(4), (Sonars{"A", "B", "C", "C"}));
}

TEST_F(TimerThreadTest, AStoppedThreadStartsAgainAtTheFirstSonar) {
  AddAll();
  ReleaseTrigger(1);
  ASSERT_TRUE(log.WaitForCount(2));  // B is served, C would be next
  timer.Stop();
  EXPECT_FALSE(log.MoreThanWithin(2, 50ms));
  timer.Start();
  timer.Start();  // a running thread is not started twice
  ReleaseTrigger(3);
  EXPECT_EQ(FirstTriggers(4), (Sonars{"A", "B", "A", "B"}));
}

TEST_F(TimerThreadTest, ASonarAddedWhileRunningJoinsThePassUnderWay) {
  timer.AddEntry(ids[0], &devices[0], Trigger(0));
  timer.AddEntry(ids[1], &devices[1], Trigger(1));
  ASSERT_TRUE(log.WaitForCount(1));
  timer.AddEntry(ids[2], &devices[2], Trigger(2));  // no restart: A is not triggered again
  EXPECT_FALSE(log.MoreThanWithin(1, 30ms));
  for (std::size_t n = 1; n <= 3; ++n) ReleaseTrigger(n);
  EXPECT_EQ(FirstTriggers(4), (Sonars{"A", "B", "C", "A"}));
}

TEST_F(TimerThreadTest, OnlyTheServedSonarsPortKeepsItsDataTimeOut) {
  // A and B are two heads on one port; B comes after A, so its switch of that port is the last.
  devices[1].SetPortPtr(ports[0].get());
  ports[0]->devices.push_back(&devices[1]);
  ports[1]->devices.clear();
  std::vector<std::array<bool, 3>> disabledAtSend;
  for (auto& port : ports) {
    port->onSend = [&](const CString&) {
      disabledAtSend.push_back(
          {devices[0].IsTimeOutDisabled(), devices[1].IsTimeOutDisabled(), devices[2].IsTimeOutDisabled()});
    };
  }
  AddAll();
  ReleaseTrigger(1);
  ReleaseTrigger(2);
  ASSERT_TRUE(log.WaitForCount(3));
  timer.Stop();
  ASSERT_EQ(disabledAtSend.size(), 3u);
  EXPECT_EQ(disabledAtSend[0], (std::array<bool, 3>{true, true, true}));    // A served, B's switch wins
  EXPECT_EQ(disabledAtSend[1], (std::array<bool, 3>{false, false, true}));  // B served
  EXPECT_EQ(disabledAtSend[2], (std::array<bool, 3>{true, true, false}));   // C served
}

TEST_F(TimerThreadTest, TheWorkerNamesItselfAndEndsWhenTheMainWindowIsGone) {
  std::string name;
  ports[0]->onSend = [&](const CString&) { name = GetThreadName(); };
  AddAll();
  ASSERT_TRUE(log.WaitForCount(1));
  EXPECT_EQ(name, "TimerThread::ThreadProc");
  AfxCloseMainWnd();
  ReleaseTrigger(1);
  EXPECT_FALSE(log.MoreThanWithin(1, 50ms));
  // A thread that ended by itself is not started again by a sonar coming back...
  AfxOpenMainWnd();
  timer.OnBufferStatus(ids[1], 0);
  EXPECT_FALSE(log.MoreThanWithin(1, 50ms));
  // ...only after a stop.
  timer.Stop();
  timer.Start();
  EXPECT_EQ(FirstTriggers(2), (Sonars{"A", "A"}));
}

TEST(TimerThreadLifetime, DestroyingAGroupWhoseThreadWaitsJoinsIt) {
  MainWindowOpen window;
  SendLog log;
  LoggingPort port("A", log);
  Device device;
  device.SetPortPtr(&port);
  auto timer = std::make_unique<TimerThread>(0);
  timer->AddEntry(CDataId(1, 78, 1, 1), &device, "trigger A");
  ASSERT_TRUE(log.WaitForCount(1));
  timer.reset();  // waits on A's release: the stop releases it
  EXPECT_EQ(log.Count(), 1u);
}

}  // namespace
