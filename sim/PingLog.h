// The ping log of the simulated sonars of one process: one JSON object a line per ping,
// {"sonar": name, "deviceEnum": n, "ping": number, "start": seconds, "end": seconds,
// "trigger": "free"|"1107"}, with times on the steady clock every simulated sonar shares. Several
// sonars on several threads may write to one log.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "sim/PingTiming.h"

// Seconds on the process's steady clock: the time base of ping timings and of the ping log.
double SteadySeconds();

class PingLog {
 public:
  // Opens path for appending. Null, with a message naming the file, when it cannot be opened.
  static std::shared_ptr<PingLog> Open(const std::string& path, std::string& error);

  // Appends the line of one ping and flushes it, so that a reader sees whole lines only.
  void Write(std::string_view sonar, std::uint16_t deviceEnum, const PingTiming& ping);

 private:
  explicit PingLog(std::ofstream file) : file_(std::move(file)) {}

  std::mutex mutex_;
  std::ofstream file_;
};
