// The watch's thread: a judgement of every device per interval until it is stopped.
#include "BufferStatusWatch.h"

#include <utility>

#include "tavrin/Device.h"

BufferStatusWatch::BufferStatusWatch(std::vector<Watched> devices, std::chrono::milliseconds interval)
    : devices_(std::move(devices)), interval_(interval) {
  CheckAll();
  thread_ = std::thread([this] { Run(); });
}

BufferStatusWatch::~BufferStatusWatch() {
  Stop();
}

void BufferStatusWatch::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BufferStatusWatch::Run() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
    lock.unlock();
    CheckAll();
    lock.lock();
  }
}

void BufferStatusWatch::CheckAll() {
  for (const Watched& watched : devices_) {
    if (watched.device != nullptr) watched.device->CheckDataFlow(watched.linkConnected);
  }
}
