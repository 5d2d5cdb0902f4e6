// Two sequenced sonars of one group, each a simulated sonar on a link of its own: unplugging one
// takes it out of the sequence while the other goes on pinging, and plugging it in again brings it
// back into turn-taking by itself.
#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "host/HostConfig.h"
#include "host/HostRuntime.h"
#include "platform/afx/MainWindow.h"
#include "sequencing/KavoSonarConfigurationInfo.h"
#include "sim/PingLog.h"
#include "sim/SimServer.h"
#include "tests/host/LoggedPings.h"
#include "tests/link/Waiting.h"

namespace {

using namespace std::chrono_literals;

// Triggered pings of sonar that started after `after`.
std::size_t TriggeredSince(const std::vector<LoggedPing>& pings, const std::string& sonar, double after) {
  return static_cast<std::size_t>(std::count_if(pings.begin(), pings.end(), [&](const LoggedPing& ping) {
    return ping.sonar == sonar && ping.triggered && ping.start > after;
  }));
}

// Whether the last `count` pings took turns.
bool LastTakeTurns(const std::vector<LoggedPing>& pings, std::size_t count) {
  if (pings.size() < count) return false;
  for (std::size_t i = pings.size() - count + 1; i < pings.size(); ++i) {
    if (pings[i].sonar == pings[i - 1].sonar || !pings[i].triggered) return false;
  }
  return true;
}

TEST(SequencedSonarUnplugTest, AnUnpluggedSonarLeavesItsGroupAndComesBackWhenPluggedIn) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("sequenced-unplug-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const auto pingLogPath = folder / "pings.jsonl";
  std::string error;
  const auto pingLog = PingLog::Open(pingLogPath.string(), error);
  ASSERT_TRUE(pingLog) << error;

  // The embedded default's two sonars, reached over links to simulated sonars run here.
  HostConfig config;
  ASSERT_TRUE(ParseHostConfig(EmbeddedDefaultConfig(), config, error)) << error;
  std::vector<std::unique_ptr<SimServer>> sonars;
  for (DeviceConfig& device : config.devices) {
    SimServerConfig simulated;
    simulated.name = device.name;
    simulated.model = device.link->simulate->model;
    simulated.heads = device.link->heads;
    simulated.pingLog = pingLog;
    sonars.push_back(std::make_unique<SimServer>(simulated));
    ASSERT_TRUE(sonars.back()->Start(error)) << error;
    device.link->simulate.reset();
    device.link->address = sonars.back()->Address();
  }
  const std::string shallow = config.devices[0].name;
  const std::string deep = config.devices[1].name;

  HostRuntimeOptions options;
  std::ostringstream log;
  auto runtime = HostRuntime::Start(
      config, options,
      [](const std::string&) { return std::make_unique<KavoSonarConfigurationControlDevice>(); }, log, error);
  ASSERT_TRUE(runtime) << error;
  AfxOpenMainWnd();
  KavoSonarConfigurationInfo& sequencer = KavoSonarConfigurationInfo::Instance();
  sequencer.Init();

  ASSERT_TRUE(WaitFor([&] { return LastTakeTurns(ReadPingLog(pingLogPath), 6); }, 10s)) << "no turns taken";

  // The deep sonar's cable is pulled: the shallow one pings on alone.
  sonars[1]->Unplug();
  const double unplugged = SteadySeconds();
  EXPECT_TRUE(
      WaitFor([&] { return TriggeredSince(ReadPingLog(pingLogPath), shallow, unplugged) >= 10; }, 10s));
  EXPECT_EQ(TriggeredSince(ReadPingLog(pingLogPath), deep, unplugged + 0.5), 0u);

  // Plugged in again, it is triggered again once its link is back, and the two take turns.
  ASSERT_TRUE(sonars[1]->PlugIn(error)) << error;
  const double pluggedIn = SteadySeconds();
  EXPECT_TRUE(WaitFor([&] { return TriggeredSince(ReadPingLog(pingLogPath), deep, pluggedIn) >= 3; }, 15s));
  EXPECT_TRUE(WaitFor([&] { return LastTakeTurns(ReadPingLog(pingLogPath), 6); }, 5s));

  sequencer.Exit();
  AfxCloseMainWnd();
  runtime.reset();
  for (auto& sonar : sonars) sonar->Stop();
  std::filesystem::remove_all(folder);
}

}  // namespace
