// A device's attribute lock. Recursive, because operations that run under it (a request pass) call
// device reads that take it too.
#pragma once

#include <mutex>

class Locker {
 public:
  // Takes the lock, waiting for it. Returns whether it was taken (always, for this host).
  bool Lock() {
    mutex_.lock();
    return true;
  }
  void Unlock() { mutex_.unlock(); }

  // Standard lockable names, for std::lock_guard.
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};
