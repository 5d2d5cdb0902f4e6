// Work the host repeats at an interval on a thread of its own, until it is stopped: the thread
// waits on a condition variable, so that a stop ends it at once rather than after the interval.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class PeriodicTask {
 public:
  // Runs work every interval, the first time one interval after the start.
  PeriodicTask(std::chrono::steady_clock::duration interval, std::function<void()> work);
  PeriodicTask(const PeriodicTask&) = delete;
  PeriodicTask& operator=(const PeriodicTask&) = delete;
  ~PeriodicTask();

  // Ends and joins the thread, within one run of the work under way; nothing runs afterwards.
  void Stop();

 private:
  void Run();

  const std::chrono::steady_clock::duration interval_;
  const std::function<void()> work_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};
