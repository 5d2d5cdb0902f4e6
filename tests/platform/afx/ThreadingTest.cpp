// The framework's worker threads and events. (A suspended thread resumed and joined, an automatic-reset
// event waited on without time-out, a critical section entered again by its holder and the main
// window's end are how the trigger threads run: tests/sequencing/TimerThreadTest.cpp.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/afx/CCriticalSection.h"
#include "platform/afx/CWinThread.h"

namespace {

std::atomic<int> runs{0};

unsigned CountRun(void* param) {
  ++runs;
  static_cast<CEvent*>(param)->SetEvent();
  return 0;
}

TEST(CWinThread, ASuspendedThreadRunsOnlyOnceResumedAndASelfDeletingOneGoesWhenItsFunctionReturns) {
  runs = 0;
  CEvent ran;
  CWinThread* thread = AfxBeginThread(&CountRun, &ran, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = false;
  EXPECT_FALSE(ran.Lock(50));
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(thread->ResumeThread(), 1u);  // the suspend count before
  EXPECT_EQ(thread->ResumeThread(), 0u);
  thread->WaitForEnd();
  EXPECT_TRUE(runs == 1 && ran.Lock(0));
  delete thread;
  // Leaks or a double delete show under the sanitizers.
  ASSERT_NE(AfxBeginThread(&CountRun, &ran), nullptr);
  ASSERT_TRUE(ran.Lock(5000));
  EXPECT_EQ(runs, 2);
}

// An automatic-reset event lets one wait pass per signal (signals do not add up); a signal before the
// wait is kept for it, one during the wait ends it. A manual-reset one lets every wait pass until reset.
TEST(CEvent, AutomaticResetLetsOneWaitPassPerSignalManualResetEveryWaitUntilReset) {
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

  CEvent manual(false, true);
  manual.SetEvent();
  EXPECT_TRUE(manual.Lock(0) && manual.Lock(0));
  manual.ResetEvent();
  EXPECT_FALSE(manual.Lock(0));
}

}  // namespace
