// tavrin-host run as a child process on a state folder of its own, linked to simulated sonars in this
// process (so that a journey can pull a sonar's cable and read what each received and when it pinged).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/PingLog.h"
#include "sim/SimServer.h"
#include "tests/link/Waiting.h"
#include "tests/tools/ScratchFolder.h"
#include "tools/HttpClient.h"

using Json = nlohmann::json;
using namespace std::chrono_literals;

// Runs a shell command line in a child process that holds none of this process's files: a simulated
// sonar's listening socket left open in a child would go on taking connections after the sonar's cable
// is pulled. The child's process id; -1 when none could be made.
inline pid_t StartChild(const std::string& command) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close_range(3, ~0U, 0);
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

// The host program, what it prints (stdout and stderr) going to a file. One left running is killed.
struct HostProcess {
  pid_t pid = -1;
  std::filesystem::path printed;

  HostProcess() = default;
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;
  ~HostProcess() { Wait(SIGKILL); }

  bool Start(const std::string& arguments, std::filesystem::path output) {
    printed = std::move(output);
    pid = StartChild(std::string("exec ") + TAVRIN_HOST_BINARY + " " + arguments + " >" + printed.string() +
                     " 2>&1");
    return pid > 0;
  }
  // What the host has printed, once `marker` shows or 20 s have passed.
  std::string ReadUntil(const std::string& marker) const {
    std::string text;
    WaitFor([&] { return (text = ReadText(printed)).find(marker) != std::string::npos; }, 20s);
    return text;
  }
  // Sends `signal` (0: none) and returns the exit code; -1 for a host ended by a signal or killed here
  // after 20 s.
  int Wait(int signal = 0) {
    if (pid <= 0) return -1;
    if (signal != 0) ::kill(pid, signal);
    int status = 0;
    const bool ended = WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20s);
    if (!ended) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
    }
    pid = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

// One ping of the log that the simulated sonars share, times on this process's steady clock.
struct LoggedPing {
  std::string sonar;
  double start = 0.0;
  double end = 0.0;
  bool triggered = false;  // "trigger": "1107", not "free"
};

// A number of an attribute map as the API writes it ([{"ZqRange": {"double": 120.0}}, ...]).
inline std::optional<double> Value(const Json& map, const std::string& key, const char* type = "double") {
  if (!map.is_array()) return std::nullopt;
  for (const Json& entry : map) {
    if (entry.contains(key) && entry[key].contains(type) && entry[key][type].is_number())
      return entry[key][type].get<double>();
  }
  return std::nullopt;
}

class HostJourney : public ::testing::Test {
 protected:
  static constexpr const char* kToken = "e2e-7f3a";

  HostJourney() {
    std::string error;
    pingLog_ = PingLog::Open((folder_ / "pings.jsonl").string(), error);
    EXPECT_TRUE(pingLog_) << error;
  }
  ~HostJourney() override {
    host_.Wait(SIGKILL);
    for (auto& sonar : sonars_) sonar->Stop();
  }

  static std::string Key(std::size_t sonar) { return std::to_string(sonar + 1) + ".78.1.1"; }

  // One simulated sonar per model, "Sonar 1" on head 7000, "Sonar 2" on 7001, ..., each the device of
  // data id Key(i) in the host's configuration, with a data time-out of 1 s. Sequenced ones form sonar
  // group 1 with 10 % overhead.
  void StartSonars(const std::vector<std::string>& models, bool sequenced) {
    Json devices = Json::array();
    for (std::size_t i = 0; i < models.size(); ++i) {
      const auto deviceId = static_cast<std::uint32_t>(7000 + i);
      SimServerConfig config;
      config.name = "Sonar " + std::to_string(i + 1);
      config.model = models[i];
      config.heads = {{0, deviceId}};
      config.biteIntervalSeconds = 0.0;
      config.pingLog = pingLog_;
      sonars_.push_back(std::make_unique<SimServer>(config));
      std::string error;
      ASSERT_TRUE(sonars_.back()->Start(error)) << error;
      const Json attributes = {{"DeviceId", {{"int", deviceId}}},
                               {"PingMode", {{"int", sequenced ? 1 : 0}}},
                               {"SonarGroupId", {{"int", 1}}},
                               {"Overhead", {{"double", 10.0}}}};
      const Json head = {{"deviceEnum", 0}, {"deviceId", deviceId}};
      devices.push_back({{"type", "KavoSonarConfigurationControlDevice"},
                         {"name", config.name},
                         {"dataId", Json::array({i + 1, 78, 1, 1})},
                         {"attributes", attributes},
                         {"dataTimeOut", 1},
                         {"link", {{"address", sonars_.back()->Address()}, {"heads", Json::array({head})}}}});
    }
    const Json vessel = {{"number", 1}, {"name", "Survey Vessel"}};
    std::ofstream(folder_ / "host.json") << Json{{"vessels", Json::array({vessel})}, {"devices", devices}};
  }
  // The host's command line on those sonars (none started: the embedded default), the state folder and
  // a free port of the loopback.
  std::string HostArguments(const std::string& more = "") const {
    return (sonars_.empty() ? "" : "--config " + (folder_ / "host.json").string()) + " --state " +
           (folder_ / "state").string() + " --http 127.0.0.1:0 --token " + kToken + " " + more;
  }
  // Starts the host and a client of the API that its welcome names ("API at http://ADDRESS/api").
  void StartHost(const std::string& more = "") {
    ASSERT_TRUE(host_.Start(HostArguments(more), folder_ / ("host-" + std::to_string(++starts_) + ".txt")));
    output_ = host_.ReadUntil("follow the event stream");
    const auto from = output_.find("API at http://");
    ASSERT_NE(from, std::string::npos) << output_;
    address_ = output_.substr(from + 14, output_.find("/api", from) - from - 14);
    api_ = Client();
  }
  std::unique_ptr<HttpClient> Client() const {
    auto client = std::make_unique<HttpClient>(address_.substr(0, address_.rfind(':')),
                                               std::stoi(address_.substr(address_.rfind(':') + 1)));
    client->set_bearer_token_auth(kToken);
    client->set_timeout(10s);
    return client;
  }
  // SIGTERM: the host stops cleanly. Returns all it printed.
  std::string StopHost() {
    EXPECT_EQ(host_.Wait(SIGTERM), 0);
    const std::string printed = ReadText(host_.printed);
    EXPECT_NE(printed.find("tavrin-host: stopped\n"), std::string::npos) << printed;
    return printed;
  }

  Json Get(const std::string& path) const {
    const auto response = api_->Get(path);
    return response && response->status == 200 ? Json::parse(response->body, nullptr, false) : Json();
  }
  Json Attributes(std::size_t sonar) const { return Get("/api/devices/" + Key(sonar) + "/attributes"); }
  // A request handed to a link that is not connected yet is lost: journeys wait for this first.
  bool LinksConnected() const {
    return WaitFor(
        [&] {
          const Json links = Get("/api/links");
          return links.is_array() && links.size() == sonars_.size() &&
                 std::all_of(links.begin(), links.end(),
                             [](const Json& l) { return l["state"] == "connected"; });
        },
        10s);
  }

  // The ping log in the order the pings started. A last line still being written is left out.
  std::vector<LoggedPing> Pings() const {
    std::vector<LoggedPing> pings;
    std::ifstream in(folder_ / "pings.jsonl");
    for (std::string line; std::getline(in, line) && !in.eof();) {
      const Json ping = Json::parse(line);
      pings.push_back({ping["sonar"], ping["start"], ping["end"], ping["trigger"] == "1107"});
    }
    std::sort(pings.begin(), pings.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
    return pings;
  }

  const ScratchFolder folder_{"tavrin-e2e"};
  std::shared_ptr<PingLog> pingLog_;
  std::vector<std::unique_ptr<SimServer>> sonars_;
  HostProcess host_;
  int starts_ = 0;
  std::string output_;   // what the host printed up to its welcome
  std::string address_;  // where its API listens, ADDRESS:PORT
  std::unique_ptr<HttpClient> api_;
};
