// Worker threads of the window framework: a thread object made suspended and resumed to run, which
// deletes itself when its function returns unless told not to. Priorities and stack sizes are the
// platform's defaults; only the normal priority and the default stack size are offered.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

using AFX_THREADPROC = unsigned (*)(void* param);

inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr unsigned long CREATE_SUSPENDED = 0x4;

class CWinThread {
 public:
  CWinThread(AFX_THREADPROC proc, void* param) : proc_(proc), param_(param) {}
  // A thread object is deleted only once its thread has ended (or never ran): it joins the thread.
  ~CWinThread();
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  // Starts the thread; suspended with CREATE_SUSPENDED until ResumeThread. False when it cannot.
  bool CreateThread(unsigned long flags = 0);
  // Lets a suspended thread run. Returns the suspend count before the call (1 for a suspended
  // thread, 0 for one already running).
  unsigned long ResumeThread();
  // Waits, without time-out, until the thread's function has returned. The caller must have
  // switched self-deletion off.
  void WaitForEnd();

  // With self-deletion the object deletes itself when the thread's function returns; set it before
  // the thread is resumed.
  bool m_bAutoDelete = true;

 private:
  void Main();

  AFX_THREADPROC proc_;
  void* param_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable resumed_;
  bool suspended_ = false;
};

// Creates a thread object for proc and starts it (suspended with CREATE_SUSPENDED). Null when the
// thread cannot be started.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int priority = THREAD_PRIORITY_NORMAL,
                           unsigned stackSize = 0, unsigned long flags = 0);
