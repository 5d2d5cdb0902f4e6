// The framework's worker threads, events and critical section, and the main window that tells
// threads the host is shutting down.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/afx/CCriticalSection.h"
#include "platform/afx/CWinThread.h"
#include "platform/afx/MainWindow.h"

namespace {

using namespace std::chrono_literals;

std::atomic<int> runs{0};

unsigned CountRun(void* param) {
  ++runs;
  static_cast<CEvent*>(param)->SetEvent();
  return 0;
}

TEST(CWinThread, ASuspendedThreadRunsOnlyOnceResumedAndIsJoinedWithoutSelfDeletion) {
  runs = 0;
  CEvent ran;
  CWinThread* thread = AfxBeginThread(&CountRun, &ran, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = false;
  EXPECT_FALSE(ran.Lock(50));
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(thread->ResumeThread(), 1u);
  EXPECT_EQ(thread->ResumeThread(), 0u);
  thread->WaitForEnd();
  EXPECT_EQ(runs, 1);
  delete thread;
}

TEST(CWinThread, ASelfDeletingThreadGoesWhenItsFunctionReturns) {
  // Leaks or a double delete show under the sanitizers.
  runs = 0;
  CEvent ran;
  ASSERT_NE(AfxBeginThread(&CountRun, &ran), nullptr);
  ASSERT_TRUE(ran.Lock(5000));
  EXPECT_EQ(runs, 1);
}

TEST(CEvent, AnAutomaticResetEventLetsOneWaitPassPerSignal) {
  CEvent event;
  EXPECT_FALSE(event.Lock(0));
  event.SetEvent();
  event.SetEvent();  // signals do not add up
  EXPECT_TRUE(event.Lock(0));
  EXPECT_FALSE(event.Lock(10));

  // A signal before the wait is kept for it; one that comes during the wait ends it.
  event.SetEvent();
  EXPECT_TRUE(event.Lock(INFINITE));
  std::thread signaller([&] {
    std::this_thread::sleep_for(20ms);
    event.SetEvent();
  });
  EXPECT_TRUE(event.Lock(5000));
  signaller.join();
  event.SetEvent();
  event.ResetEvent();
  EXPECT_FALSE(event.Lock(0));
}

TEST(CEvent, AManualResetEventLetsEveryWaitPassUntilReset) {
  CEvent event(false, true);
  event.SetEvent();
  EXPECT_TRUE(event.Lock(0));
  EXPECT_TRUE(event.Lock(0));
  event.ResetEvent();
  EXPECT_FALSE(event.Lock(0));
}

TEST(CCriticalSection, TheThreadThatHoldsItMayEnterAgainAndOthersWait) {
  CCriticalSection section;
  section.Lock();
  section.Lock();
  std::atomic<bool> entered{false};
  std::thread other([&] {
    section.Lock();
    entered = true;
    section.Unlock();
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(entered);
  section.Unlock();
  EXPECT_FALSE(entered);  // still held once
  section.Unlock();
  other.join();
  EXPECT_TRUE(entered);
}

TEST(MainWindow, IsThereOnlyWhileTheHostHasItOpen) {
  AfxOpenMainWnd();
  CWnd* window = AfxGetMainWnd();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindow(window->m_hWnd));
  EXPECT_FALSE(IsWindow(nullptr));
  AfxCloseMainWnd();
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
  EXPECT_FALSE(IsWindow(window->m_hWnd));
}

}  // namespace
