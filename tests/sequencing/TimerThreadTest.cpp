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

// Sonars A, B and C of group 5, each with a device on a port of its own. The group is destroyed first,
// while its thread waits for a release: the stop must release and join it.
class TimerThreadTest : public ::testing::Test {
 protected:
  TimerThreadTest() {
    for (std::size_t i = 0; i < 3; ++i) {
      ids[i] = CDataId(static_cast<std::uint16_t>(i + 1), 78, 1, 1);
      ports[i] = std::make_unique<LoggingPort>(Name(i), log);
      devices[i].SetDataId(ids[i]);
      devices[i].SetPortPtr(ports[i].get());
      ports[i]->devices.push_back(&devices[i]);
    }
  }
  static std::string Name(std::size_t i) { return std::string(1, static_cast<char>('A' + i)); }
  void Add(std::size_t i) { timer.AddEntry(ids[i], &devices[i], CString("trigger " + Name(i))); }
  void AddAll() { Add(0), Add(1), Add(2); }
  // Releases the sonar whose trigger was the n-th record sent (counting from 1), once it was sent.
  void Release(std::size_t n, std::uint32_t delayMs = 0) {
    ASSERT_TRUE(log.WaitForCount(n));
    timer.SetDelay(ids[static_cast<std::size_t>(log.All()[n - 1].record.back() - 'A')], delayMs);
  }
  Sonars FirstTriggers(std::size_t count) {
    EXPECT_TRUE(log.WaitForCount(count));
    Sonars sonars;
    for (const SendLog::Sent& sent : log.All()) sonars.push_back(sent.sonar);
    sonars.resize(count);
    return sonars;
  }

  MainWindowOpen window;
  SendLog log;
  std::array<CDataId, 3> ids;
  std::array<std::unique_ptr<LoggingPort>, 3> ports;
  std::array<Device, 3> devices;
  TimerThread timer{5};
};

// Each trigger is the record the sonar was added with, sent through its device; a sonar added while
// the thread runs joins the pass under way, and a guard time set for a sonar that is not served
// neither releases nor delays the one that is. (The guard time after a release is the journey of
// tests/e2e/SequencedPingingTest.cpp.)
TEST_F(TimerThreadTest, TriggersEachSonarInTurnOnlyAfterTheServedOneIsReleased) {
  Add(0);
  Add(1);
  ASSERT_TRUE(log.WaitForCount(1));
  Add(2);
  timer.SetDelay(ids[1], 3000);
  timer.SetDelay(ids[2], 3000);
  for (std::size_t n = 1; n <= 4; ++n) {
    EXPECT_FALSE(log.MoreThan(n, 20ms));
    Release(n);
    ASSERT_TRUE(log.MoreThan(n, 1s));
  }
  EXPECT_EQ(FirstTriggers(5), (Sonars{"A", "B", "C", "A", "B"}));
  EXPECT_TRUE(log.All()[0].record == "trigger A" && log.All()[4].record == "trigger B");
}

// The guard time counts from when the release arrived, not from when it was handed over: a release
// that waited 10 s for its delivery has served its 10 s guard time already.
TEST_F(TimerThreadTest, TheGuardTimeCountsFromTheArrivalOfTheRelease) {
  Add(0);
  Add(1);
  ASSERT_TRUE(log.WaitForCount(1));
  timer.SetDelay(ids[0], 10'000, std::chrono::steady_clock::now() - 10s);
  EXPECT_EQ(FirstTriggers(2), (Sonars{"A", "B"}));
}

// A sonar so quick that its release arrives while its trigger is still being sent: the wait after
// that trigger passes at once, and the sonar, alone in its group, is triggered again.
TEST_F(TimerThreadTest, AReleaseDuringTheSendIsNotLost) {
  int sends = 0;  // the worker's own
  ports[0]->onSend = [&](const CString&) {
    if (sends++ == 0) timer.SetDelay(ids[0], 0);
  };
  Add(0);
  EXPECT_EQ(FirstTriggers(2), (Sonars{"A", "A"}));
  EXPECT_FALSE(log.MoreThan(2, 30ms));  // the second waits for a release of its own
}

// A sonar leaving while another is served is skipped; one leaving while served is released at once.
// With every sonar gone the thread ends; the first to come back starts it again.
TEST_F(TimerThreadTest, ASonarThatLeavesIsSkippedUntilItComesBack) {
  AddAll();
  ASSERT_TRUE(log.WaitForCount(1));
  timer.OnBufferStatus(ids[1], 1);
  EXPECT_FALSE(log.MoreThan(1, 30ms));  // A is still waited for
  Release(1);
  ASSERT_TRUE(log.WaitForCount(2));
  timer.OnBufferStatus(ids[2], 3);  // C, served
  ASSERT_TRUE(log.WaitForCount(3));
  Release(3);
  ASSERT_TRUE(log.WaitForCount(4));
  timer.OnBufferStatus(ids[1], 0);
  Release(4);
  ASSERT_TRUE(log.WaitForCount(5));
  timer.OnBufferStatus(ids[0], 1);
  timer.OnBufferStatus(ids[1], 1);  // the last one: the thread is stopped and joined here
  EXPECT_FALSE(log.MoreThan(5, 50ms));
  timer.OnBufferStatus(ids[2], 0);
  Release(6);
  EXPECT_EQ(FirstTriggers(7), (Sonars{"A", "C", "A", "A", "B", "C", "C"}));
}

// A and B are two heads on one port; B comes after A, so its switch of that port is the last. A's first
// trigger may leave before B and C are added, so the round after it is the one looked at.
TEST_F(TimerThreadTest, OnlyTheServedSonarsPortKeepsItsDataTimeOut) {
  devices[1].SetPortPtr(ports[0].get());
  ports[0]->devices.push_back(&devices[1]);
  ports[1]->devices.clear();
  std::vector<std::array<bool, 3>> disabledAtSend;
  for (auto& port : ports)
    port->onSend = [&](const CString&) {
      disabledAtSend.push_back(
          {devices[0].IsTimeOutDisabled(), devices[1].IsTimeOutDisabled(), devices[2].IsTimeOutDisabled()});
    };
  AddAll();
  Release(1);
  Release(2);
  Release(3);
  ASSERT_TRUE(log.WaitForCount(4));
  timer.Stop();
  ASSERT_GE(disabledAtSend.size(), 4u);
  EXPECT_EQ(std::vector(disabledAtSend.begin() + 1, disabledAtSend.begin() + 4),
            (std::vector<std::array<bool, 3>>{
                {false, false, true},   // B served
                {true, true, false},    // C served
                {true, true, true}}));  // A served, B's switch of the shared port wins
}

// A thread that ended by itself is not started again by a sonar coming back, only after a stop; it
// then starts at the first sonar, not at the one after the last served.
TEST_F(TimerThreadTest, TheWorkerNamesItselfEndsWhenTheMainWindowIsGoneAndStartsAgainAtTheFirstSonar) {
  std::string name;
  ports[0]->onSend = [&](const CString&) { name = GetThreadName(); };
  AddAll();
  ASSERT_TRUE(log.WaitForCount(1));
  EXPECT_EQ(name, "TimerThread::ThreadProc");
  AfxCloseMainWnd();
  Release(1);
  EXPECT_FALSE(log.MoreThan(1, 50ms));
  AfxOpenMainWnd();
  timer.OnBufferStatus(ids[1], 0);
  EXPECT_FALSE(log.MoreThan(1, 50ms));
  timer.Stop();
  timer.Start();
  timer.Start();  // a running thread is not started twice
  EXPECT_EQ(FirstTriggers(2), (Sonars{"A", "A"}));
  EXPECT_FALSE(log.MoreThan(2, 30ms));
}

}  // namespace
