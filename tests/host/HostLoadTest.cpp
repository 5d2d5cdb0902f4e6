// Eight clients change eight simulated sonars through the API at once while the sonars ping. Every
// request is accepted; each sonar is sent its own client's ranges in the order they were posted (two
// requests that reach a device before it applies them merge, the later one winning); the last range is
// what each device shows in the end; and the host keeps answering other calls meanwhile.
#include <gtest/gtest.h>
#include "tests/host/HttpTestClient.h"

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "host/HostRuntime.h"
#include "host/HttpApi.h"
#include "link/ZqCaptureFile.h"
#include "tests/link/Waiting.h"

namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

constexpr int kClients = 8;
constexpr int kRequestsPerClient = 1000;

// Client c's i-th range: from 50 m in quarter metres, offset by c/32 m so that no two clients share a
// value. Within the range limits of both sonar models (shallow 1 to 500 m, deep 50 to 11000 m), so the
// sonars take them as they are, and exact in single precision, as the record carries them.
double RangeOf(int client, int i) {
  return 50.0 + i / 4.0 + client / 32.0;
}

std::string KeyOf(int client) {
  return std::to_string(client + 1) + ".78.1.1";
}

std::uint32_t U32(std::span<const std::byte> record, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::to_integer<std::uint32_t>(record[at + i]) << (8 * i);
  return value;
}

// The ranges of the range requests sent on each link, in the order sent: remote-control records (type
// 7500 at byte 32) with remote-control ID 1003 (byte 64) and the range as f32 at byte 88, 96 bytes in
// all with the checksum.
std::vector<std::vector<float>> SentRanges(const std::filesystem::path& capture) {
  std::ifstream in(capture, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ZqCaptureReader reader;
  reader.Feed(std::as_bytes(std::span(bytes.data(), bytes.size())));
  std::vector<std::vector<float>> ranges(kClients);
  ZqCaptureEntry entry;
  while (reader.Next(entry) == ZqCaptureReader::Result::kEntry) {
    if (entry.direction != zqcapture::kSent || entry.record.size() < 92 || U32(entry.record, 32) != 7500 ||
        U32(entry.record, 64) != 1003) {
      continue;
    }
    EXPECT_EQ(entry.record.size(), 96u);
    EXPECT_LT(entry.linkIndex, kClients);
    if (entry.linkIndex < kClients)
      ranges[entry.linkIndex].push_back(std::bit_cast<float>(U32(entry.record, 88)));
  }
  EXPECT_TRUE(reader.AtEntryBoundary()) << reader.Problem();
  return ranges;
}

// "ZqRange" of a device's attribute map as the API gives it ([{"ZqRange": {"double": 120.0}}, ...]).
std::optional<double> RangeIn(const HttpTestClient::Result& response) {
  if (!response || response->status != 200) return std::nullopt;
  const Json map = Json::parse(response->body, nullptr, false);
  if (!map.is_array()) return std::nullopt;
  for (const Json& entry : map) {
    if (entry.contains("ZqRange") && entry["ZqRange"].contains("double")) return entry["ZqRange"]["double"];
  }
  return std::nullopt;
}

TEST(HostLoadTest, EightClientsPostingAThousandRangesEachAreAppliedInOrderPerSonar) {
  // One simulated sonar per client, shallow and deep by turns, each pinging on its own.
  HostConfig config;
  config.vessels.push_back({1, "Survey Vessel"});
  for (int c = 0; c < kClients; ++c) {
    DeviceConfig device;
    device.type = "KavoSonarConfigurationControlDevice";
    device.name = "Sonar " + std::to_string(c + 1);
    device.dataId = CDataId(static_cast<std::uint16_t>(c + 1), 78, 1, 1);
    device.link.emplace();
    device.link->simulate = SimulatedSonarConfig{c % 2 == 0 ? "shallow" : "deep", 5.0};
    config.devices.push_back(device);
  }
  const auto capture =
      std::filesystem::temp_directory_path() / ("host-load-" + std::to_string(::getpid()) + ".zqcap");
  std::filesystem::remove(capture);
  HostRuntimeOptions options;
  options.capturePath = capture.string();
  std::ostringstream log;
  std::string error;
  auto runtime = HostRuntime::Start(
      config, options,
      [](const std::string&) { return std::make_unique<KavoSonarConfigurationControlDevice>(); }, log, error);
  ASSERT_TRUE(runtime) << error;
  HttpApiOptions apiOptions;
  apiOptions.address = "127.0.0.1:0";
  auto api = HttpApi::Start(*runtime, apiOptions, error);
  ASSERT_TRUE(api) << error;
  const int port = std::stoi(api->Address().substr(api->Address().rfind(':') + 1));
  // A request handed to a link that is not connected yet is lost.
  ASSERT_TRUE(WaitFor(
      [&] {
        const auto links = runtime->Links();
        return std::all_of(links.begin(), links.end(), [](const auto& link) {
          return link.counters.state == ZqTcpLink::State::kConnected;
        });
      },
      10s));

  // Bounds the load should the host stall; far beyond what it takes.
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  std::vector<int> accepted(kClients, 0);
  std::atomic<int> posted{0};
  std::atomic<int> running{kClients};
  const auto begin = std::chrono::steady_clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      HttpTestClient client("127.0.0.1", port);
      client.set_timeout(std::chrono::seconds(10));
      const std::string path = "/api/devices/" + KeyOf(c) + "/request";
      for (int i = 0; i < kRequestsPerClient && std::chrono::steady_clock::now() < deadline; ++i) {
        Json body = Json::array();
        body.push_back({{"ZqRange", {{"double", RangeOf(c, i)}}}});
        const auto response = client.Post(path.c_str(), body.dump(), "application/json");
        if (response && response->status == 202) ++accepted[c];
        ++posted;
      }
      --running;
    });
  }
  // Another client reads the device list while the load runs.
  int issued = 0;
  int answered = 0;
  int answeredDuringLoad = 0;
  std::thread observer([&] {
    HttpTestClient client("127.0.0.1", port);
    client.set_timeout(std::chrono::seconds(10));
    WaitFor([&] { return posted >= kClients * kRequestsPerClient / 10 || running == 0; }, 60s);
    while (running > 0) {
      ++issued;
      const auto devices = client.Get("/api/devices");
      if (devices && devices->status == 200 &&
          Json::parse(devices->body, nullptr, false).size() == kClients) {
        ++answered;
        if (running > 0) ++answeredDuringLoad;
      }
      std::this_thread::sleep_for(20ms);
    }
  });
  for (std::thread& client : clients) client.join();
  const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  observer.join();

  const int requests = kClients * kRequestsPerClient;
  const double perSecond = requests / elapsed;
  std::cout << "[ load     ] " << requests << " requests from " << kClients << " clients in " << elapsed
            << " s: " << perSecond << " requests/s\n";
  RecordProperty("requests", requests);
  RecordProperty("milliseconds", static_cast<int>(elapsed * 1000));
  RecordProperty("requestsPerSecond", static_cast<int>(perSecond));

  for (int c = 0; c < kClients; ++c) EXPECT_EQ(accepted[c], kRequestsPerClient) << KeyOf(c);
  EXPECT_EQ(answered, issued);
  EXPECT_GE(answeredDuringLoad, 1);

  // Every device ends at its client's last range (a settings record the sonar sent before taking it may
  // show an older one for a moment).
  HttpTestClient reader("127.0.0.1", port);
  reader.set_timeout(std::chrono::seconds(10));
  for (int c = 0; c < kClients; ++c) {
    const std::string path = "/api/devices/" + KeyOf(c) + "/attributes";
    EXPECT_TRUE(
        WaitFor([&] { return RangeIn(reader.Get(path.c_str())) == RangeOf(c, kRequestsPerClient - 1); }, 10s))
        << KeyOf(c);
  }
  for (const auto& link : runtime->Links()) {
    EXPECT_EQ(link.counters.droppedWhileDown, 0u) << link.device;
    EXPECT_EQ(link.counters.disconnects, 0u) << link.device;
  }
  api.reset();
  runtime.reset();

  // What each link sent: only its own client's ranges, rising, ending with the last one posted.
  const auto sent = SentRanges(capture);
  std::size_t records = 0;
  for (int c = 0; c < kClients; ++c) {
    const std::vector<float>& ranges = sent[c];
    records += ranges.size();
    EXPECT_TRUE(std::all_of(ranges.begin(), ranges.end(), [&](float range) {
      const double step = (range - RangeOf(c, 0)) * 4.0;
      return step >= 0.0 && step < kRequestsPerClient && step == std::floor(step);
    })) << KeyOf(c);
    EXPECT_EQ(std::adjacent_find(ranges.begin(), ranges.end(), std::greater_equal<>()), ranges.end())
        << KeyOf(c);
    ASSERT_FALSE(ranges.empty()) << KeyOf(c);
    EXPECT_EQ(ranges.back(), static_cast<float>(RangeOf(c, kRequestsPerClient - 1))) << KeyOf(c);
  }
  std::cout << "[ load     ] " << records << " range records sent for " << requests << " requests\n";
  RecordProperty("rangeRecordsSent", static_cast<int>(records));
  std::filesystem::remove(capture);
}

}  // namespace
