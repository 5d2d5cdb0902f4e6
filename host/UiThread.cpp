// The host's message loop.
#include "host/UiThread.h"

#include <future>

UiThread::UiThread() {
  thread_ = std::thread([this] { Loop(); });
}

UiThread::~UiThread() {
  Stop();
}

bool UiThread::Post(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return false;
    queue_.push_back(std::move(work));
  }
  changed_.notify_one();
  return true;
}

bool UiThread::Run(const std::function<void()>& work) {
  if (IsUiThread()) {
    work();
    return true;
  }
  std::promise<void> done;
  if (!Post([&] {
        work();
        done.set_value();
      })) {
    return false;
  }
  done.get_future().wait();
  return true;
}

void UiThread::SetAfterEach(std::function<void()> afterEach) {
  std::lock_guard lock(mutex_);
  afterEach_ = std::move(afterEach);
}

void UiThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  if (thread_.joinable() && !IsUiThread()) thread_.join();
}

void UiThread::Loop() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and everything posted has run
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    const std::function<void()> afterEach = afterEach_;
    lock.unlock();
    work();
    if (afterEach) afterEach();
    lock.lock();
  }
}
