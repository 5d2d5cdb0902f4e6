// The host's watch over the data of its sonar devices: at a short interval it has each device judge
// its buffer status from its link's state and its data time-out, so that a link that drops or data
// that stops shows within one interval. Data that arrives sets the status back on the link's I/O
// thread at once; this watch only finds what stops. A sonar's settings data come once per ping, so
// no time-out is judged shorter than the sonar's current ping and the guard time after it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "host/PeriodicTask.h"

class CDataBlock;
class Device;

// What a data time-out allows beyond the ping and its guard: the trigger's way to the sonar, the
// settings record's way back, and the host's own judging interval.
inline constexpr std::chrono::milliseconds kDataTimeOutMargin{1000};

// The shortest data time-out for a sonar whose current settings data are settings: the two-way travel
// time of their range (item 699, else 609) at their sound velocity (item 401, 1500 m/s when missing or
// not a positive number), rounded up to whole milliseconds, plus the guard time that a ping sequence
// waits after it (that time times overheadPercent, none when that is not a positive number), plus
// kDataTimeOutMargin. Zero while the settings hold no finite range above zero; at most the longest data
// time-out a configuration may set.
std::chrono::milliseconds ShortestDataTimeOut(const CDataBlock& settings, double overheadPercent);
// The same for a device: its current settings data block and its "Overhead" attribute.
std::chrono::milliseconds ShortestDataTimeOut(const Device& device);

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
