// Ping log lines through nlohmann_json, one locked write and flush per line.
#include "sim/PingLog.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::shared_ptr<PingLog> PingLog::Open(const std::string& path, std::string& error) {
  std::ofstream file(path, std::ios::app);
  if (!file) {
    error = "cannot open \"" + path + "\" for appending: " + std::strerror(errno);
    return nullptr;
  }
  return std::shared_ptr<PingLog>(new PingLog(std::move(file)));
}

void PingLog::Write(std::string_view sonar, std::uint16_t deviceEnum, const PingTiming& ping) {
  // Ordered, so that every line reads in the order the log is documented in.
  const nlohmann::ordered_json line = {{"sonar", sonar},          {"deviceEnum", deviceEnum},
                                       {"ping", ping.pingNumber}, {"start", ping.start},
                                       {"end", ping.end},         {"trigger", ping.trigger}};
  // Invalid UTF-8 in a sonar's name is replaced rather than thrown about.
  const std::string text = line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  const std::lock_guard lock(mutex_);
  file_ << text << '\n';
  file_.flush();
}
