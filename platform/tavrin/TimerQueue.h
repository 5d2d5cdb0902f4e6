// One thread that runs each armed timer's task at its deadline: the data time-outs of the host's
// devices. A timer holds one deadline at a time; arming it again moves it, so that data that keeps
// coming keeps pushing its time-out away without any thread waking up to look.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>

class TimerQueue {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts the thread. Every Timer of the queue must be gone before the queue is.
  TimerQueue();
  TimerQueue(const TimerQueue&) = delete;
  TimerQueue& operator=(const TimerQueue&) = delete;
  // Ends and joins the thread.
  ~TimerQueue();

  class Timer {
   public:
    // task runs on the queue's thread, once per deadline reached; it may arm its timer again.
    Timer(TimerQueue& queue, std::function<void()> task);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    // Disarms, and waits for the task when it is running: not to be destroyed from its own task, nor
    // while holding a lock that the task takes.
    ~Timer();

    // The task runs at deadline (at once when it has passed) instead of at any deadline set before.
    // Never waits for the task, so it may be called under a lock that the task takes.
    void Arm(Clock::time_point deadline);
    // The task does not run for a deadline set before (a run under way goes on). Never waits.
    void Disarm();

   private:
    friend class TimerQueue;
    TimerQueue& queue_;
    const std::function<void()> task_;
    // Guarded by the queue's mutex.
    std::optional<Clock::time_point> deadline_;
  };

 private:
  void Run();
  // With mutex_ held.
  void DisarmLocked(Timer& timer);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::set<std::pair<Clock::time_point, Timer*>> due_;
  const Timer* running_ = nullptr;  // whose task runs now, outside the lock
  bool stopping_ = false;
  std::thread thread_;  // declared last: started once the rest is there
};
