// The pings of a simulated sonars' ping log, in the order they started.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

struct LoggedPing {
  std::string sonar;
  double start = 0.0;
  double end = 0.0;
  bool triggered = false;  // "trigger": "1107", not "free"
};

// A line that is not a ping fails the test. A last line without its end is being written: left out.
inline std::vector<LoggedPing> ReadPingLog(const std::filesystem::path& path) {
  std::vector<LoggedPing> pings;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (in.eof()) break;
    const auto entry = nlohmann::json::parse(line, nullptr, false);
    if (!entry.is_object()) {
      ADD_FAILURE() << "not a ping: " << line;
      continue;
    }
    pings.push_back({entry.value("sonar", ""), entry.value("start", 0.0), entry.value("end", 0.0),
                     entry.value("trigger", "") == "1107"});
  }
  std::sort(pings.begin(), pings.end(),
            [](const LoggedPing& a, const LoggedPing& b) { return a.start < b.start; });
  return pings;
}
