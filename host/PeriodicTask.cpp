// The thread of a periodic task.
#include "host/PeriodicTask.h"

#include <utility>

PeriodicTask::PeriodicTask(std::chrono::steady_clock::duration interval, std::function<void()> work)
    : interval_(interval), work_(std::move(work)) {
  thread_ = std::thread([this] { Run(); });
}

PeriodicTask::~PeriodicTask() {
  Stop();
}

void PeriodicTask::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PeriodicTask::Run() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
    lock.unlock();
    work_();
    lock.lock();
  }
}
