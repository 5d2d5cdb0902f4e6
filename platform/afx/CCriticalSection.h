// Synchronisation objects of the window framework: a critical section (which the thread that holds
// it may enter again) and an event, either reset by hand or reset by the one wait it lets pass.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class CCriticalSection {
 public:
  CCriticalSection() = default;
  CCriticalSection(const CCriticalSection&) = delete;
  CCriticalSection& operator=(const CCriticalSection&) = delete;

  bool Lock() {
    mutex_.lock();
    return true;
  }
  bool Unlock() {
    mutex_.unlock();
    return true;
  }

 private:
  std::recursive_mutex mutex_;
};

inline constexpr unsigned long INFINITE = 0xFFFFFFFF;

class CEvent {
 public:
  // An automatic-reset event lets exactly one wait pass per SetEvent; a manual-reset event lets every
  // wait pass until ResetEvent.
  explicit CEvent(bool initiallySignalled = false, bool manualReset = false)
      : signalled_(initiallySignalled), manualReset_(manualReset) {}
  CEvent(const CEvent&) = delete;
  CEvent& operator=(const CEvent&) = delete;

  bool SetEvent();
  bool ResetEvent();
  // Waits until the event is signalled or timeoutMs have passed (INFINITE: no time-out). True when
  // the event was signalled; an automatic-reset event is then reset.
  bool Lock(unsigned long timeoutMs = INFINITE);

 private:
  std::mutex mutex_;
  std::condition_variable signalledChanged_;
  bool signalled_;
  bool manualReset_;
};
