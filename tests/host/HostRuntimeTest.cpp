// A running host on the embedded default: requests reach the simulated sonars and their answers come
// back as attributes; stopping stores every map and a new start reads them back.
#include "host/HostRuntime.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <sstream>
#include <thread>
#include <vector>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "platform/tavrin/DataManager.h"
#include "tests/link/Waiting.h"

namespace {

using Outcome = HostRuntime::RequestResult::Outcome;

std::unique_ptr<Device> MakeDevice(const std::string& type) {
  if (type != "KavoSonarConfigurationControlDevice") return nullptr;
  return std::make_unique<KavoSonarConfigurationControlDevice>();
}

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
    auto runtime = HostRuntime::Start(config_, options_, MakeDevice, log_, error);
    EXPECT_TRUE(runtime) << error;
    return runtime;
  }

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
    // Only keys the control device takes are stored, each once; the first other one is named.
    const struct {
      std::vector<const char*> keys;
      Outcome outcome;
      std::string refusal;
    } cases[] = {
        {{"ZqGain", "ZqRnage", "Other"}, Outcome::kUnknownKey, "unknown request key \"ZqRnage\""},
        {{"Request"}, Outcome::kUnknownKey, "unknown request key \"Request\""},
        {{"ZqGain", "ZqPower", "ZqGain"}, Outcome::kRepeatedKey, "repeated request key \"ZqGain\""},
    };
    for (const auto& c : cases) {
      CAttributeMap refused;
      for (const char* key : c.keys) refused.Append(key, COrvDouble(30.0));
      const auto result = runtime->Request(shallow_, refused);
      EXPECT_EQ(result.outcome, c.outcome) << c.refusal;
      EXPECT_EQ(result.Refusal(), c.refusal);
    }
    CAttributeMap stored;
    ASSERT_TRUE(DataManager::GetDataManager().GetAttributeMap(shallow_, stored));
    EXPECT_TRUE(stored.GetAttrMap("Request") == nullptr || !stored.GetAttrMap("Request")->Has("ZqGain"));

    // The state folder is this host's: a second host on it is refused, naming the first.
    std::string error;
    EXPECT_FALSE(HostRuntime::Start(config_, options_, MakeDevice, log_, error));
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
  EXPECT_FALSE(HostRuntime::Start(config_, options_, MakeDevice, log_, error));
  EXPECT_EQ(error, "devices[1].type: no device type \"NoSuchDevice\" is registered");
  EXPECT_EQ(DataManager::GetDataManager().FindDevice(shallow_), nullptr);
}

TEST_F(HostRuntimeTest, ALinkWhoseHostDoesNotResolveSaysSoOnceInItsLinkInfoAndItsLog) {
  config_.devices[1].link->simulate.reset();
  config_.devices[1].link->address = "no-such-sonar.invalid:7000";
  std::ostringstream problems;
  options_.linkProblems = &problems;
  std::string error;
  auto runtime = HostRuntime::Start(config_, options_, MakeDevice, log_, error);
  ASSERT_TRUE(runtime) << error;
  ASSERT_TRUE(
      WaitFor([&] { return !runtime->Links()[1].counters.problem.empty(); }, std::chrono::seconds(10)));
  const std::string problem = runtime->Links()[1].counters.problem;
  EXPECT_EQ(problem.rfind("cannot resolve \"no-such-sonar.invalid\": ", 0), 0u) << problem;
  runtime.reset();
  EXPECT_EQ(problems.str(), "tavrin-host: Deep sonar: link to no-such-sonar.invalid:7000: " + problem + "\n");
}

}  // namespace
