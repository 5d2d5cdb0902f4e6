// tavrin-sequencing-load: ping sequencing at scale. It runs the host program on a configuration of many
// simulated sonars in sonar groups (by default 64 sonars in 16 groups of 4) for a while, with the
// simulated sonars' ping log, then reads the log group by group: once a group's sequencing has begun,
// no ping may start while another of the group listens, and each ping's next one should start its
// guard time (its listening time times the sonar's "Overhead" percentage, in whole milliseconds) after
// it ends. Prints the distribution of that gap minus the guard time, and the overlaps.
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct Sonar {
  int group = 0;
  double overheadPercent = 0.0;
};

struct Ping {
  std::string sonar;
  double start = 0.0;
  double end = 0.0;
  bool triggered = false;
};

// The sequenced sonars of a host configuration by name: those whose "PingMode" is not 0.
bool ReadSequencedSonars(const fs::path& path, std::map<std::string, Sonar>& sonars, std::string& error) {
  std::ifstream in(path);
  const Json config = Json::parse(in, nullptr, false);
  if (!config.is_object() || !config.contains("devices")) {
    error = path.string() + ": not a host configuration";
    return false;
  }
  for (const Json& device : config["devices"]) {
    // An attribute map is an array of one-member objects, or an object of unique keys.
    Json attributes = Json::object();
    const Json listed = device.value("attributes", Json::array());
    if (listed.is_array()) {
      for (const Json& entry : listed) attributes.update(entry);
    } else if (listed.is_object()) {
      attributes = listed;
    }
    const auto number = [&](const char* key, const char* type, double fallback) {
      if (!attributes.contains(key) || !attributes[key].contains(type)) return fallback;
      return attributes[key][type].get<double>();
    };
    if (number("PingMode", "int", 0.0) == 0.0) continue;
    sonars[device.value("name", "")] = {static_cast<int>(number("SonarGroupId", "int", 0.0)),
                                        number("Overhead", "double", 0.0)};
  }
  return true;
}

// The pings of a ping log; a last line without its end is left out.
std::vector<Ping> ReadPingLog(const fs::path& path) {
  std::vector<Ping> pings;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (in.eof()) break;
    const Json entry = Json::parse(line, nullptr, false);
    if (!entry.is_object()) continue;
    pings.push_back({entry.value("sonar", ""), entry.value("start", 0.0), entry.value("end", 0.0),
                     entry.value("trigger", "") == "1107"});
  }
  return pings;
}

// Runs the host program with args until seconds have passed, then stops it as SIGTERM does. Returns
// its exit status, or -1 when it could not be started.
int RunHost(const std::string& program, const std::vector<std::string>& args, double seconds,
            const fs::path& output) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (std::freopen(output.c_str(), "w", stdout) == nullptr ||
        std::freopen(output.c_str(), "a", stderr) == nullptr)
      ::_exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;  // ended early: it failed
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ::kill(pid, SIGTERM);
  // A host that does not stop within 20 s is killed, and the run counts as failed.
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

double Percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0.0;
  const auto index = static_cast<std::size_t>(std::lround(fraction * static_cast<double>(sorted.size() - 1)));
  return sorted[std::min(index, sorted.size() - 1)];
}

struct Judgement {
  std::vector<double> gapMinusGuardMs;  // one per sequenced ping followed by another of its group
  std::size_t overlaps = 0;             // a ping that started while another of its group listened
  std::size_t freePings = 0;            // a free-running ping after the group's sequencing began
  std::size_t sequencedGroups = 0;
  std::vector<int> unsequencedGroups;
  double sequencedSeconds = 0.0;  // the shortest time any group was sequenced
};

Judgement Judge(const std::map<std::string, Sonar>& sonars, const std::vector<Ping>& pings) {
  std::map<int, std::vector<Ping>> byGroup;
  for (const Ping& ping : pings) {
    const auto found = sonars.find(ping.sonar);
    if (found != sonars.end()) byGroup[found->second.group].push_back(ping);
  }
  std::map<int, std::set<std::string>> members;
  for (const auto& [name, sonar] : sonars) members[sonar.group].insert(name);

  Judgement judgement;
  judgement.sequencedSeconds = INFINITY;
  for (const auto& [group, names] : members) {
    std::vector<Ping>& groupPings = byGroup[group];
    std::sort(groupPings.begin(), groupPings.end(),
              [](const Ping& a, const Ping& b) { return a.start < b.start; });
    // Sequencing has begun once each sonar of the group pinged on trigger and the last free ping ended.
    std::map<std::string, double> firstTriggered;
    double begun = 0.0;
    for (const Ping& ping : groupPings) {
      if (ping.triggered && !firstTriggered.contains(ping.sonar)) firstTriggered[ping.sonar] = ping.start;
      if (!ping.triggered) begun = std::max(begun, ping.end);
    }
    if (firstTriggered.size() != names.size()) {
      judgement.unsequencedGroups.push_back(group);
      continue;
    }
    for (const auto& [name, start] : firstTriggered) begun = std::max(begun, start);
    ++judgement.sequencedGroups;
    std::vector<const Ping*> sequenced;
    for (const Ping& ping : groupPings) {
      if (ping.start >= begun) sequenced.push_back(&ping);
    }
    if (sequenced.size() >= 2)
      judgement.sequencedSeconds = std::min(judgement.sequencedSeconds, sequenced.back()->end - begun);
    for (std::size_t i = 0; i + 1 < sequenced.size(); ++i) {
      const Ping& ping = *sequenced[i];
      const Ping& next = *sequenced[i + 1];
      if (!next.triggered) ++judgement.freePings;
      if (next.start < ping.end) ++judgement.overlaps;
      // The guard time the sequencer works out: the listening time times the overhead, in whole ms.
      const double overhead = sonars.at(ping.sonar).overheadPercent;
      const double guardMs = std::floor((ping.end - ping.start) * 1000.0 * overhead / 100.0 + 0.5);
      judgement.gapMinusGuardMs.push_back((next.start - ping.end) * 1000.0 - guardMs);
    }
  }
  if (judgement.sequencedSeconds == INFINITY) judgement.sequencedSeconds = 0.0;
  return judgement;
}

// How late this machine wakes a thread from a timed sleep, as the sequencer sleeps through a guard time
// and a simulated sonar through its listening window: the floor under the gaps of the ping log, since
// each gap holds both wake-ups.
void PrintTimedWakeUps() {
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);  // as the sequencer's threads ask
  std::vector<double> lateMs;
  for (int i = 0; i < 300; ++i) {
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(7);
    std::this_thread::sleep_until(due);
    lateMs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - due).count());
  }
  std::sort(lateMs.begin(), lateMs.end());
  std::printf(
      "this machine's timed wake-ups, 300 sleeps of 7 ms, late by (ms): median %.3f, p90 %.3f, p99 %.3f, "
      "max %.3f\n",
      Percentile(lateMs, 0.5), Percentile(lateMs, 0.9), Percentile(lateMs, 0.99), lateMs.back());
  std::fflush(stdout);  // before the host is forked, which would print it again
}

void Print(const Judgement& judgement, std::size_t sonarCount) {
  std::vector<double> sorted = judgement.gapMinusGuardMs;
  std::sort(sorted.begin(), sorted.end());
  std::printf("sonars: %zu in %zu sequenced groups", sonarCount, judgement.sequencedGroups);
  if (!judgement.unsequencedGroups.empty()) {
    std::printf(" (never sequenced: group");
    for (const int group : judgement.unsequencedGroups) std::printf(" %d", group);
    std::printf(")");
  }
  std::printf("; every group sequenced for at least %.1f s\n", judgement.sequencedSeconds);
  std::printf("gap after a sequenced ping minus its guard time (ms): count %zu", sorted.size());
  if (!sorted.empty()) {
    std::printf(", min %.3f, median %.3f, p90 %.3f, p99 %.3f, max %.3f", sorted.front(),
                Percentile(sorted, 0.5), Percentile(sorted, 0.9), Percentile(sorted, 0.99), sorted.back());
  }
  std::printf("\noverlaps: %zu; free pings after sequencing began: %zu\n", judgement.overlaps,
              judgement.freePings);
}

int Run(int argc, char** argv) {
  CLI::App app{
      "tavrin-sequencing-load: runs the host on many simulated sonars in sonar groups and prints how late "
      "each "
      "sequenced ping follows the one before it in its group (gap minus guard time), and any overlaps"};
  std::string config = TAVRIN_SEQUENCING_CONFIG;
  double seconds = 30.0;
  std::string host = TAVRIN_HOST_BINARY;
  std::string plugin;
  std::string pingLog;
  std::string readLog;
  app.add_option("--config", config,
                 "Host configuration of simulated sonars with PingMode, SonarGroupId, Overhead")
      ->capture_default_str();
  app.add_option("--seconds", seconds, "How long the host runs")
      ->check(CLI::Range(1.0, 3600.0))
      ->capture_default_str();
  app.add_option("--host", host, "The host program")->capture_default_str();
  app.add_option("--plugin", plugin, "The plug-in library the host loads (default: the host's own)");
  app.add_option("--ping-log", pingLog, "Keep the ping log in FILE (default: a temporary file, removed)");
  app.add_option("--read-log", readLog, "Run no host: judge the ping log FILE of an earlier run of --config");
  CLI11_PARSE(app, argc, argv);

  std::map<std::string, Sonar> sonars;
  std::string error;
  if (!ReadSequencedSonars(config, sonars, error)) {
    std::cerr << "tavrin-sequencing-load: " << error << "\n";
    return 2;
  }
  if (!readLog.empty()) {
    Print(Judge(sonars, ReadPingLog(readLog)), sonars.size());
    return 0;
  }

  PrintTimedWakeUps();
  const fs::path folder =
      fs::temp_directory_path() / ("tavrin-sequencing-load-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path log = pingLog.empty() ? folder / "pings.jsonl" : fs::path(pingLog);
  fs::remove(log);
  std::vector<std::string> hostArgs = {
      "--config", config,        "--ping-log",          log.string(), "--state", (folder / "state").string(),
      "--http",   "127.0.0.1:0", "--ping-rate-seconds", "0"};
  if (!plugin.empty()) hostArgs.insert(hostArgs.end(), {"--plugin", plugin});
  const int status = RunHost(host, hostArgs, seconds, folder / "host.out");
  if (status != 0) {
    std::ifstream out(folder / "host.out");
    std::cerr << "tavrin-sequencing-load: the host did not run to the end and stop cleanly (status " << status
              << "):\n"
              << out.rdbuf();
    fs::remove_all(folder);
    return 1;
  }
  Print(Judge(sonars, ReadPingLog(log)), sonars.size());
  fs::remove_all(folder);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A folder that cannot be made or taken away again ends the run with what went wrong.
  try {
    return Run(argc, argv);
  } catch (const std::exception& problem) {
    std::cerr << "tavrin-sequencing-load: " << problem.what() << "\n";
    return 1;
  }
}
