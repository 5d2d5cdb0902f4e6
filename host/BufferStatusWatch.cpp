// The watch: a judgement of every device at start and then per interval until it is stopped.
#include "BufferStatusWatch.h"

#include <utility>

#include "tavrin/Device.h"

BufferStatusWatch::BufferStatusWatch(std::vector<Watched> devices, std::chrono::milliseconds interval)
    : devices_(std::move(devices)), task_(interval, [this] { CheckAll(); }) {
  // The task's first judgement is an interval away; each device judges under its own lock.
  CheckAll();
}

BufferStatusWatch::~BufferStatusWatch() {
  Stop();
}

void BufferStatusWatch::Stop() {
  task_.Stop();
}

void BufferStatusWatch::CheckAll() {
  for (const Watched& watched : devices_) {
    if (watched.device != nullptr) watched.device->CheckDataFlow(watched.linkConnected);
  }
}
