// The framework's events. (Worker threads, events without time-out and the main window's end as the
// trigger threads use them: tests/sequencing/TimerThreadTest.cpp.)
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/afx/CCriticalSection.h"

namespace {

// An automatic-reset event lets one wait pass per signal (signals do not add up, or a trigger thread woken
// twice for one release would trigger the next sonar unreleased); a signal before the wait is kept for
// it, one during the wait ends it.
TEST(CEvent, AutomaticResetLetsOneWaitPassPerSignal) {
  CEvent event;
  EXPECT_FALSE(event.Lock(0));
  event.SetEvent();
  event.SetEvent();
  EXPECT_TRUE(event.Lock(0));
  EXPECT_FALSE(event.Lock(10));
  event.SetEvent();
  EXPECT_TRUE(event.Lock(INFINITE));
  std::thread signaller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.SetEvent();
  });
  EXPECT_TRUE(event.Lock(5000));
  signaller.join();
  event.SetEvent();
  event.ResetEvent();
  EXPECT_FALSE(event.Lock(0));
}

}  // namespace
