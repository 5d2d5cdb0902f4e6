// A running host on the embedded default: requests reach the simulated sonars and their answers come
// back as attributes; stopping stores every map and a new start reads them back; a sonar's buffer
// status follows its link and its data as they change, and its time-out is never shorter than its ping.
#include "host/HostRuntime.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <limits>
#include <sstream>
#include <thread>
#include <vector>

#include "host/DataTimeOutFloor.h"
#include "platform/tavrin/DataManager.h"
#include "sim/SimHead.h"
#include "sim/SimServer.h"
#include "tests/host/LoadedPlugin.h"
#include "tests/link/Waiting.h"
#include "tests/platform/tavrin/BufferStatusFollower.h"

namespace {

using namespace std::chrono_literals;
using Outcome = HostRuntime::RequestResult::Outcome;

double Attribute(const CDataId& id, const char* key) {
  CAttributeMap map;
  double value = -1.0;
  unsigned flags = 0;
  if (DataManager::GetDataManager().GetAttributeMap(id, map)) map.GetAttribValue(key, value, flags);
  return value;
}

class HostRuntimeTest : public ::testing::Test {
 protected:
  HostRuntimeTest() {
    std::string error;
    EXPECT_TRUE(ParseHostConfig(EmbeddedDefaultConfig(), config_, error)) << error;
    options_.stateFolder =
        std::filesystem::temp_directory_path() / ("host-state-" + std::to_string(::getpid()));
    std::filesystem::remove_all(options_.stateFolder);
    options_.capturePath = options_.stateFolder.string() + ".capture";
  }
  ~HostRuntimeTest() override {
    std::filesystem::remove_all(options_.stateFolder);
    std::filesystem::remove(options_.capturePath);
  }

  std::unique_ptr<HostRuntime> Start() {
    std::string error;
    auto runtime = HostRuntime::Start(config_, options_, LoadedPlugin::MakeDevice, log_, error);
    EXPECT_TRUE(runtime) << error;
    return runtime;
  }

  LoadedPlugin plugin_;  // first, so that it is unloaded after every device it made
  HostConfig config_;
  HostRuntimeOptions options_;
  std::ostringstream log_;
  const CDataId shallow_{1, 78, 1, 1};
  const CDataId deep_{2, 78, 1, 1};
};

TEST_F(HostRuntimeTest, RequestsReachTheSimulatedSonarsAndSettingsSurviveARestart) {
  {
    auto runtime = Start();
    ASSERT_TRUE(runtime);
    ASSERT_EQ(runtime->Devices().size(), 2u);
    EXPECT_EQ(runtime->Devices()[1].vesselName, "Survey Vessel");
    ASSERT_TRUE(WaitFor([&] { return Attribute(deep_, "ZqRange") == 200.0; }));

    CAttributeMap request;
    request.Add("ZqRange", COrvDouble(900.0));
    ASSERT_TRUE(runtime->Request(shallow_, request));
    // Clamped by the 200 kHz setting set to its 500 m.
    EXPECT_TRUE(WaitFor([&] { return Attribute(shallow_, "ZqRange") == 500.0; }));
    EXPECT_EQ(runtime->Request(CDataId(9, 78, 1, 1), request).outcome, Outcome::kNoDevice);

    // The state folder is this host's: a second host on it is refused, naming the first.
    std::string error;
    EXPECT_FALSE(HostRuntime::Start(config_, options_, LoadedPlugin::MakeDevice, log_, error));
    EXPECT_EQ(error, "state folder " + options_.stateFolder.string() +
                         " is in use by another host (process " + std::to_string(::getpid()) + ")");

    const auto links = runtime->Links();
    ASSERT_EQ(links.size(), 2u);
    EXPECT_TRUE(links[0].simulated);
    EXPECT_EQ(links[0].counters.state, ZqTcpLink::State::kConnected);
    EXPECT_GE(links[0].counters.recordsSent, 1u);
  }
  EXPECT_EQ(DataManager::GetDataManager().FindDevice(shallow_), nullptr);
  EXPECT_TRUE(std::filesystem::exists(options_.stateFolder / "1.78.1.1.json"));
  // Both links captured what they sent and received: at least the range request and its greeting.
  EXPECT_GT(std::filesystem::file_size(options_.capturePath), 2 * (16 + 96u));

  // The new start reads the stored range before the sonar speaks.
  config_.devices.resize(1);
  config_.devices[0].link.reset();
  auto runtime = Start();
  EXPECT_EQ(Attribute(shallow_, "ZqRange"), 500.0);
}

TEST_F(HostRuntimeTest, AnUnknownDeviceTypeIsNamed) {
  config_.devices[1].type = "NoSuchDevice";
  std::string error;
  EXPECT_FALSE(HostRuntime::Start(config_, options_, LoadedPlugin::MakeDevice, log_, error));
  EXPECT_EQ(error, "devices[1].type: no device type \"NoSuchDevice\" is registered");
  EXPECT_EQ(DataManager::GetDataManager().FindDevice(shallow_), nullptr);
}

TEST_F(HostRuntimeTest, ALinkWhoseHostDoesNotResolveSaysSoOnceInItsLinkInfoAndItsLog) {
  config_.devices[1].link->simulate.reset();
  config_.devices[1].link->address = "no-such-sonar.invalid:7000";
  std::ostringstream problems;
  options_.linkProblems = &problems;
  std::string error;
  auto runtime = HostRuntime::Start(config_, options_, LoadedPlugin::MakeDevice, log_, error);
  ASSERT_TRUE(runtime) << error;
  ASSERT_TRUE(
      WaitFor([&] { return !runtime->Links()[1].counters.problem.empty(); }, std::chrono::seconds(10)));
  const std::string problem = runtime->Links()[1].counters.problem;
  EXPECT_EQ(problem.rfind("cannot resolve \"no-such-sonar.invalid\": ", 0), 0u) << problem;
  runtime.reset();
  EXPECT_EQ(problems.str(), "tavrin-host: Deep sonar: link to no-such-sonar.invalid:7000: " + problem + "\n");
}

TEST_F(HostRuntimeTest, ASonarsBufferStatusFollowsItsLinkAndItsDataAsTheyChange) {
  // The shallow sonar on a link to a simulated sonar of the test's, on a port nobody listens on yet.
  SimServerConfig simulated;
  simulated.biteIntervalSeconds = 0.0;
  std::string error;
  auto sonar = std::make_unique<SimServer>(simulated);
  ASSERT_TRUE(sonar->Start(error)) << error;
  simulated.listen = sonar->Address();
  sonar.reset();
  config_.devices.resize(1);
  config_.devices[0].link = SonarLinkConfig{simulated.listen, {kDefaultZqHead}, std::nullopt};
  config_.devices[0].dataTimeOutSeconds = 0.4;
  StatusFollower follower(shallow_);
  auto runtime = Start();
  ASSERT_TRUE(runtime);
  EXPECT_EQ(StatusOf(shallow_), 1);  // before the first connection
  sonar = std::make_unique<SimServer>(simulated);
  ASSERT_TRUE(sonar->Start(error)) << error;
  ASSERT_TRUE(follower.Await({1, 0}));

  // The cable is pulled: the link's loss reaches the status, and the link's answer shows it.
  sonar->Unplug();
  ASSERT_TRUE(follower.Await({1, 0, 1}));
  EXPECT_EQ(runtime->Links()[0].bufferStatus, 1);
  ASSERT_TRUE(sonar->PlugIn(error)) << error;
  ASSERT_TRUE(follower.Await({1, 0, 1, 0}));
  // The sonar goes quiet with its link up, then speaks again.
  const auto silence = [&](bool silent) {
    ASSERT_TRUE(
        sonar->WithHead(0, [silent](SimHead& head, std::vector<std::string>&) { head.SetSilent(silent); }));
  };
  silence(true);
  ASSERT_TRUE(follower.Await({1, 0, 1, 0, 2}));
  silence(false);
  ASSERT_TRUE(follower.Await({1, 0, 1, 0, 2, 0}));
  // Stopping the host announces nothing more: its links going down are no loss of the sonar.
  runtime.reset();
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0, 1, 0, 2, 0}));
}

TEST(ShortestDataTimeOut, IsTheSonarsPingAndGuardAndAMarginForFiniteSettingsOnly) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  const struct {
    std::optional<float> range;           // item 699
    std::optional<double> soundVelocity;  // item 401
    double overhead;
    std::chrono::milliseconds expected;  // ping (rounded up) + guard (rounded) + 1 s
  } cases[] = {
      {11000.0F, 1500.0, 10.0, 14667ms + 1467ms + 1000ms},  // the deep sonar at 11 km: 14.67 s pings
      {150.0F, 1500.0, 0.0, 200ms + 1000ms},
      {3000.0F, std::nullopt, 50.0, 4000ms + 2000ms + 1000ms},  // 1500 m/s without a sound velocity
      {3000.0F, 1e-300, 50.0, 3600s},                           // no endless wait
      {1e30F, 1500.0, 10.0, 3600s},
      {150.0F, std::numeric_limits<double>::quiet_NaN(), 0.0, 200ms + 1000ms},
      {150.0F, -1500.0, 0.0, 200ms + 1000ms},
      {150.0F, 1500.0, std::numeric_limits<double>::quiet_NaN(), 200ms + 1000ms},
      {150.0F, 1500.0, -50.0, 200ms + 1000ms},
      {kNaN, 1500.0, 10.0, 0ms},  // no range: no bound
      {std::numeric_limits<float>::infinity(), 1500.0, 10.0, 0ms},
      {std::nullopt, 1500.0, 10.0, 0ms},
  };
  for (const auto& c : cases) {
    CDataBlock settings;
    if (c.range) settings.AddF32(699, 2, *c.range);
    if (c.soundVelocity) settings.AddF64(401, 2, *c.soundVelocity);
    EXPECT_EQ(ShortestDataTimeOut(settings, c.overhead), c.expected)
        << c.range.value_or(-1.0F) << " m at " << c.soundVelocity.value_or(-1.0) << " m/s, " << c.overhead
        << " %";
  }
  // A device's are its current settings and its "Overhead" attribute; without settings, none.
  Device sonar;
  EXPECT_EQ(ShortestDataTimeOut(sonar), 0ms);
  CDataBlock settings;
  settings.AddF32(699, 2, 3000.0F);
  sonar.GetDataSource().SetDataBlock(settings);
  sonar.GetAttributes().Add("Overhead", COrvDouble(50.0));
  EXPECT_EQ(ShortestDataTimeOut(sonar), 4000ms + 2000ms + 1000ms);
}

}  // namespace
