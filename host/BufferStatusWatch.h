// The host's watch over the data of its sonar devices: at a short interval it has each device judge
// its buffer status from its link's state and its data time-out, so that a link that drops or data
// that stops shows within one interval. Data that arrives sets the status back on the link's I/O
// thread at once; this watch only finds what stops.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "PeriodicTask.h"

class Device;

class BufferStatusWatch {
 public:
  struct Watched {
    Device* device = nullptr;             // not owned; outlives the watch
    std::function<bool()> linkConnected;  // asked on the watch's thread
  };

  static constexpr std::chrono::milliseconds kInterval{25};

  // Judges every device once before it returns (a sonar whose link has not connected yet is link
  // down from the start), then keeps judging them on a thread of its own.
  explicit BufferStatusWatch(std::vector<Watched> devices, std::chrono::milliseconds interval = kInterval);
  BufferStatusWatch(const BufferStatusWatch&) = delete;
  BufferStatusWatch& operator=(const BufferStatusWatch&) = delete;
  ~BufferStatusWatch();

  // Ends and joins the thread, within one judgement of the devices; no status changes afterwards.
  void Stop();

 private:
  void CheckAll();

  const std::vector<Watched> devices_;
  PeriodicTask task_;  // declared last: started once the devices are there
};
