// One ping of a simulated head: when it was transmitted and when its listening window closed, on the
// process's steady clock (seconds).
#pragma once

#include <cstdint>
#include <string>

struct PingTiming {
  std::uint32_t pingNumber = 0;
  std::uint16_t deviceEnum = 0;  // the setting set the ping was transmitted with
  double start = 0.0;
  double end = 0.0;              // start plus the two-way travel time of the range
  std::string trigger = "free";  // "free" (free-running) or "1107" (one ping per trigger)
};
