// tavrin-host as a process: it loads the plug-in, serves the API on the embedded default, and stops
// cleanly on SIGTERM with every device's attributes stored; settings applied more than a second before
// a SIGKILL are still there for the next start; a plug-in it cannot use is named.
#include <gtest/gtest.h>
#include "tests/host/HttpTestClient.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/HostConfig.h"
#include "tests/host/HostProcess.h"
#include "tests/link/Waiting.h"

namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

// A device's attribute map as the API gives it; null when it does not answer.
Json Attributes(HttpTestClient& client, const std::string& key) {
  const auto response = client.Get(("/api/devices/" + key + "/attributes").c_str());
  if (!response || response->status != 200) return nullptr;
  return Json::parse(response->body, nullptr, false);
}

// The number under key in such a map ([{"ZqRange": {"double": 120.0}}, ...]) if it has that type.
std::optional<double> Value(const Json& map, const std::string& key, const std::string& type = "double") {
  if (!map.is_array()) return std::nullopt;
  for (const Json& entry : map) {
    const auto found = entry.find(key);
    if (found != entry.end() && found->is_object() && found->contains(type) && (*found)[type].is_number()) {
      return (*found)[type].get<double>();
    }
  }
  return std::nullopt;
}

TEST(HostProgramTest, ServesTheEmbeddedDefaultAndStopsCleanlyOnSigterm) {
  const auto state = std::filesystem::temp_directory_path() / ("host-program-" + std::to_string(::getpid()));
  std::filesystem::remove_all(state);
  HostProcess host;
  ASSERT_TRUE(host.Start("--http 127.0.0.1:0 --token secret-42 --state " + state.string()));
  const std::string started = host.ReadUntil("follow the event stream");
  EXPECT_NE(started.find("Shallow sonar: simulated sonar at 127.0.0.1:"), std::string::npos) << started;
  EXPECT_NE(started.find("/api/devices/1.78.1.1/attributes"), std::string::npos) << started;
  EXPECT_NE(started.find("Bearer $TOKEN"), std::string::npos) << started;
  EXPECT_EQ(started.find("secret-42"), std::string::npos) << started;

  // A second host on the same address is refused, whatever its state folder.
  const auto api = started.find("API at http://") + 14;
  const std::string address = started.substr(api, started.find("/api", api) - api);
  HostProcess second;
  ASSERT_TRUE(second.Start("--http " + address + " --state " + (state / "second").string()));
  const std::string refused = second.ReadUntil("cannot listen there");
  EXPECT_EQ(second.Wait(), 2);
  EXPECT_NE(refused.find("tavrin-host: --http " + address + ": cannot listen there: Address already in use"),
            std::string::npos)
      << refused;

  ::kill(host.pid, SIGTERM);
  const std::string stopping = host.ReadUntil("tavrin-host: stopped");
  EXPECT_NE(stopping.find("tavrin-host: stopped"), std::string::npos) << stopping;
  EXPECT_EQ(host.Wait(), 0);
  EXPECT_TRUE(std::filesystem::exists(state / "1.78.1.1.json"));
  EXPECT_TRUE(std::filesystem::exists(state / "2.78.1.1.json"));
  std::filesystem::remove_all(state);
}

TEST(HostProgramTest, SettingsAppliedASecondBeforeAKillAreThereForTheNextStart) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("host-durability-" + std::to_string(::getpid()));
  const auto state = folder / "state";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  // Away from the factory settings (shallow 50 m, gain 40 dB; deep 200 m, 220 dB), within the limits.
  const std::pair<std::string, Json> requests[] = {
      {"1.78.1.1", Json::parse(R"([{"ZqRange": {"double": 120.0}}, {"ZqGain": {"double": 55.0}}])")},
      {"2.78.1.1", Json::parse(R"([{"ZqRange": {"double": 300.0}}, {"ZqPower": {"double": 200.0}}])")},
  };
  const auto shows = [](const Json& map, const Json& request) {
    for (const Json& entry : request) {
      const auto item = entry.begin();
      if (Value(map, item.key()) != item.value()["double"].get<double>()) return false;
    }
    return true;
  };

  {
    HostProcess host;
    ASSERT_TRUE(host.Start("--http 127.0.0.1:0 --state " + state.string()));
    const auto client = ApiClient(host.ReadUntil("follow the event stream"));
    ASSERT_TRUE(client);
    // A request handed to a link that is not connected yet is lost.
    ASSERT_TRUE(WaitFor(
        [&] {
          const auto links = client->Get("/api/links");
          if (!links) return false;
          const Json body = Json::parse(links->body, nullptr, false);
          return body.is_array() && body.size() == 2 && body[0]["state"] == "connected" &&
                 body[1]["state"] == "connected";
        },
        10s));
    for (const auto& [key, request] : requests) {
      const auto posted =
          client->Post(("/api/devices/" + key + "/request").c_str(), request.dump(), "application/json");
      ASSERT_TRUE(posted);
      EXPECT_EQ(posted->status, 202) << key;
    }
    // Applied once a ping after the first sight of them still shows them: until then a settings record
    // the sonar sent before taking them may still bring back the old ones.
    for (const auto& [key, request] : requests) {
      std::optional<double> firstPing;
      EXPECT_TRUE(WaitFor(
          [&] {
            const Json map = Attributes(*client, key);
            const auto ping = Value(map, "ZqPingNumber", "int64");
            if (!shows(map, request) || !ping) return false;
            if (!firstPing) firstPing = ping;
            return *ping > *firstPing;
          },
          10s))
          << key;
    }
    // The state files are rewritten within a second of a change.
    std::this_thread::sleep_for(1500ms);
    ::kill(host.pid, SIGKILL);
    EXPECT_EQ(host.Wait(), -1);
  }

  // Each device's file is whole. A write the kill cut short may leave its .tmp, which no start reads.
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(state)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".tmp")) continue;
    files.push_back(name);
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(Json::parse(text.str(), nullptr, false).is_array()) << name << ":\n" << text.str();
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"1.78.1.1.json", "2.78.1.1.json"}));

  // The same devices without their sonars: a simulated sonar starts again from its factory settings,
  // and its first ping would overwrite what the host loaded.
  Json unplugged = Json::parse(EmbeddedDefaultConfig());
  for (Json& device : unplugged["devices"]) device.erase("simulate");
  const auto configFile = folder / "unplugged.json";
  std::ofstream(configFile) << unplugged.dump(2);

  HostProcess host;
  ASSERT_TRUE(
      host.Start("--http 127.0.0.1:0 --config " + configFile.string() + " --state " + state.string()));
  const std::string started = host.ReadUntil("follow the event stream");
  EXPECT_EQ(started.find("damaged"), std::string::npos) << started;
  const auto client = ApiClient(started);
  ASSERT_TRUE(client) << started;
  for (const auto& [key, request] : requests) {
    const Json map = Attributes(*client, key);
    EXPECT_TRUE(shows(map, request)) << key << ": " << map.dump();
  }
  ::kill(host.pid, SIGTERM);
  EXPECT_NE(host.ReadUntil("tavrin-host: stopped").find("tavrin-host: stopped"), std::string::npos);
  EXPECT_EQ(host.Wait(), 0);
  std::filesystem::remove_all(folder);
}

TEST(HostProgramTest, APluginItCannotUseIsNamedWithExitCode2) {
  HostProcess host;
  ASSERT_TRUE(host.Start("--http 127.0.0.1:0 --plugin /no/such/plugin.so"));
  const std::string output = host.ReadUntil("\n");
  EXPECT_EQ(host.Wait(), 2);
  EXPECT_NE(output.find("cannot load plug-in /no/such/plugin.so"), std::string::npos) << output;
}

}  // namespace
