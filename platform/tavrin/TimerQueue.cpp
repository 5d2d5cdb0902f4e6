// The timer thread: it sleeps until the earliest deadline or a change of the queue, and runs each task
// whose deadline has come outside the lock, so that a task may arm timers again.
#include "platform/tavrin/TimerQueue.h"

#include "platform/tavrin/ThreadName.h"

TimerQueue::TimerQueue() {
  thread_ = std::thread([this] {
    SetThreadName(kCallingThread, "tavrin-timers");
    Run();
  });
}

TimerQueue::~TimerQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void TimerQueue::DisarmLocked(Timer& timer) {
  if (!timer.deadline_) return;
  due_.erase({*timer.deadline_, &timer});
  timer.deadline_.reset();
}

void TimerQueue::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (due_.empty()) {
      changed_.wait(lock);
      continue;
    }
    const auto [deadline, timer] = *due_.begin();
    if (Clock::now() < deadline) {
      changed_.wait_until(lock, deadline);
      continue;
    }
    DisarmLocked(*timer);
    running_ = timer;
    lock.unlock();
    timer->task_();
    lock.lock();
    running_ = nullptr;
    changed_.notify_all();  // a timer being destroyed waits for its task to end
  }
}

TimerQueue::Timer::Timer(TimerQueue& queue, std::function<void()> task)
    : queue_(queue), task_(std::move(task)) {}

TimerQueue::Timer::~Timer() {
  std::unique_lock lock(queue_.mutex_);
  queue_.DisarmLocked(*this);
  queue_.changed_.wait(lock, [this] { return queue_.running_ != this; });
  // The task may have armed its timer again before it ended.
  queue_.DisarmLocked(*this);
}

void TimerQueue::Timer::Arm(Clock::time_point deadline) {
  bool earliest = false;
  {
    std::lock_guard lock(queue_.mutex_);
    queue_.DisarmLocked(*this);
    deadline_ = deadline;
    const auto entry = queue_.due_.emplace(deadline, this).first;
    earliest = entry == queue_.due_.begin();
  }
  // The thread sleeps until the earliest deadline; one that comes later finds it awake in time.
  if (earliest) queue_.changed_.notify_all();
}

void TimerQueue::Timer::Disarm() {
  std::lock_guard lock(queue_.mutex_);
  queue_.DisarmLocked(*this);
}
