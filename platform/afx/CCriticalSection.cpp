// Events over a condition variable.
#include "platform/afx/CCriticalSection.h"

bool CEvent::SetEvent() {
  // Notified under the lock: a waiter it releases may destroy the event as soon as it returns.
  std::lock_guard lock(mutex_);
  signalled_ = true;
  if (manualReset_) {
    signalledChanged_.notify_all();
  } else {
    signalledChanged_.notify_one();
  }
  return true;
}

bool CEvent::ResetEvent() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
  return true;
}

bool CEvent::Lock(unsigned long timeoutMs) {
  std::unique_lock lock(mutex_);
  const auto isSignalled = [this] { return signalled_; };
  if (timeoutMs == INFINITE) {
    signalledChanged_.wait(lock, isSignalled);
  } else if (!signalledChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSignalled)) {
    return false;
  }
  if (!manualReset_) signalled_ = false;
  return true;
}
