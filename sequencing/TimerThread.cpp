// The trigger sequence of one sonar group.
#include "sequencing/TimerThread.h"

#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/afx/MainWindow.h"
#include "platform/tavrin/BaseIOHandler.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/ThreadName.h"

namespace {

// The host is shutting down once its main window is gone.
bool HostIsRunning() {
  const CWnd* window = AfxGetMainWnd();
  return window != nullptr && IsWindow(window->m_hWnd);
}

// Holds a critical section for a scope.
class SectionLock {
 public:
  explicit SectionLock(CCriticalSection& section) : section_(section) { section_.Lock(); }
  ~SectionLock() { section_.Unlock(); }
  SectionLock(const SectionLock&) = delete;
  SectionLock& operator=(const SectionLock&) = delete;

 private:
  CCriticalSection& section_;
};

}  // namespace

TimerThread::TimerThread(int groupId) : groupId_(groupId) {
  current_.SetUndefined();
}

TimerThread::~TimerThread() {
  Stop();
}

void TimerThread::AddEntry(const CDataId& id, Device* device, const CString& triggerRecord) {
  SectionLock hold(lock_);
  entries_.push_back(TimerEntry{id, device, triggerRecord, 0});
  Start();
}

bool TimerThread::HasEntry(const CDataId& id) {
  SectionLock hold(lock_);
  // Not the ranges form: its function object is a unique symbol, which would keep the plug-in
  // loaded after the host closes it.
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const TimerEntry& entry) { return entry.dataId == id; });
}

void TimerThread::SetDelay(const CDataId& id, std::uint32_t delayMs,
                           std::chrono::steady_clock::time_point releasedAt) {
  SectionLock hold(lock_);
  if (current_ != id) return;
  delayMs_ = delayMs;
  releasedAt_ = releasedAt;
  wakeEvent_.SetEvent();
}

void TimerThread::OnBufferStatus(const CDataId& id, unsigned short status) {
  bool anyServed = false;
  {
    SectionLock hold(lock_);
    for (TimerEntry& entry : entries_) {
      if (entry.dataId == id) {
        entry.status = status;
        if (status != 0 && current_ == id) {
          // A sonar that left is not waited for, and no guard time follows it.
          delayMs_ = 0;
          wakeEvent_.SetEvent();
        }
      }
      if (entry.status == 0) anyServed = true;
    }
  }
  if (anyServed) {
    Start();
  } else {
    Stop();
  }
}

void TimerThread::Start() {
  if (thread_) return;
  stopRequested_ = false;
  wakeEvent_.ResetEvent();
  {
    // A settings notification may read them meanwhile; the section can be held already (AddEntry).
    SectionLock hold(lock_);
    current_.SetUndefined();
    delayMs_ = 0;
  }
  thread_ = std::make_unique<CWinThread>(&TimerThread::ThreadProc, this);
  thread_->m_bAutoDelete = false;
  if (!thread_->CreateThread(CREATE_SUSPENDED)) {
    thread_.reset();
    return;
  }
  thread_->ResumeThread();
}

void TimerThread::Stop() {
  if (!thread_) return;
  stopRequested_ = true;
  {
    SectionLock hold(lock_);
    delayMs_ = 0;
  }
  wakeEvent_.SetEvent();
  thread_->WaitForEnd();
  thread_.reset();
}

unsigned TimerThread::ThreadProc(void* param) {
  SetThreadName(kCallingThread, "TimerThread::ThreadProc");
  // A guard time ends when it is due, not up to the default 50 us later that the kernel may add to
  // group wake-ups.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  static_cast<TimerThread*>(param)->Run();
  return 0;
}

void TimerThread::Run() {
  for (;;) {
    lock_.Lock();
    // The lock is let go while a sonar is waited for; entries appended meanwhile are still reached,
    // as a list's end does not move.
    for (const TimerEntry& entry : entries_) {
      if (stopRequested_ || !HostIsRunning()) {
        lock_.Unlock();
        return;
      }
      if (entry.status != 0) continue;
      current_ = entry.dataId;
      UpdateTimeOuts();
      // Sent under the lock: a settings notification that arrives meanwhile waits, and so cannot
      // release this trigger before it has left.
      entry.device->SendMessage(entry.triggerRecord, false);
      lock_.Unlock();

      wakeEvent_.Lock(INFINITE);
      lock_.Lock();
      const std::uint32_t delayMs = delayMs_;
      const auto guardEnd = releasedAt_ + std::chrono::milliseconds(delayMs);
      lock_.Unlock();
      // The guard time counts from the release, so that the time this thread took to wake is part of
      // it rather than added to it.
      if (delayMs != 0) std::this_thread::sleep_until(guardEnd);

      lock_.Lock();
      current_.SetUndefined();
    }
    lock_.Unlock();
  }
}

void TimerThread::UpdateTimeOuts() {
  for (const TimerEntry& entry : entries_) {
    const bool isCurrent = entry.dataId == current_;
    BaseIOHandler* port = entry.device->GetPortPtr();
    if (port == nullptr) continue;
    for (int i = 0; i < port->NumDevices(); ++i) {
      Device* device = port->GetDevice(i);
      if (device != nullptr) device->DisableTimeOut(!isCurrent);
    }
  }
}
