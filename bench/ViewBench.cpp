// Latency through the configuration view with eight of them open on the embedded default's shallow
// sonar: from an operator's release posted to the API to the range record handed to the sonar's link
// (the control device stores the requested range right after sending its record), and from the
// settings record that brings the sonar's range (decoded on the link's thread) to that range in every
// open view's tree. Reported as median and 99th percentile.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>
#include <vector>

#include "bench/EmbeddedHost.h"
#include "host/ViewHost.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "tools/HttpClient.h"

namespace {

using Clock = std::chrono::steady_clock;

const CDataId kShallowSonar(1, 78, 1, 1);
constexpr int kViews = 8;
constexpr int kRangeBar = 39708;

// The embedded host with kViews configuration views open on the shallow sonar, its limits shown.
std::unique_ptr<EmbeddedHost> HostWithViews(std::string& error) {
  auto host = EmbeddedHost::Start(error);
  if (!host) return nullptr;
  CAttributeMap stored;
  stored.Add("DataId", COrvDataInfo(kShallowSonar, 0xFFFF, 0xFFFF));
  for (int i = 0; i < kViews; ++i) host->runtime->Views().Open("KAVOSONARCONFIGURATION", stored);
  const auto shown = [&] {
    return host->runtime->Views().Tree(kViews).value_or("").find("\"items\":[\"") != std::string::npos;
  };
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!shown() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (!shown()) error = "the views did not show the sonar's limits";
  return shown() ? std::move(host) : nullptr;
}

struct Percentiles {
  static void Report(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
  }
};

void BM_ViewReleaseToRecord(benchmark::State& state) {
  std::string error;
  const auto host = HostWithViews(error);
  if (!host) {
    state.SkipWithError(error.c_str());
    return;
  }
  HttpClient client("127.0.0.1", host->port);
  std::vector<double> micros;
  int step = 0;
  for (auto _ : state) {
    // Two neighbouring entries of the range set, in turn: each release changes the range.
    const std::string pos = std::to_string(2 + step++ % 2);
    const std::string bar = std::to_string(kRangeBar);
    const std::string release = "[{\"control\": " + bar + ", \"scroll\": \"thumbtrack\", \"pos\": " + pos +
                                "}, {\"control\": " + bar +
                                ", \"scroll\": \"thumbposition\", \"pos\": " + pos +
                                "}, {\"control\": " + bar + ", \"scroll\": \"endscroll\"}]";
    const double before = RangeOf(kShallowSonar);
    const auto start = Clock::now();
    const auto reply = client.Post("/api/views/1/events", release, "application/json");
    if (!reply || reply->status != 200) {
      state.SkipWithError("the API refused the release");
      return;
    }
    while (RangeOf(kShallowSonar) == before) std::this_thread::yield();
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  Percentiles::Report(state, micros);
}
BENCHMARK(BM_ViewReleaseToRecord)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(500);

// Notes when the notification of the shallow sonar's attributes first carries the range it waits for:
// the notification is made as the settings record that brought it is decoded.
class RangeArrival : public Subscriber {
 public:
  void WaitFor(double range) {
    std::lock_guard lock(mutex_);
    wanted_ = range;
    arrived_.reset();
  }
  std::optional<Clock::time_point> Arrived() {
    std::lock_guard lock(mutex_);
    return arrived_;
  }
  void Notify(const NotificationInfo* info) override {
    const double range = RangeOf(kShallowSonar);
    std::lock_guard lock(mutex_);
    if (!arrived_ && range == wanted_) arrived_ = info->GetTime();
  }

 private:
  std::mutex mutex_;
  double wanted_ = 0.0;
  std::optional<Clock::time_point> arrived_;
};

void BM_SettingsRecordToViews(benchmark::State& state) {
  std::string error;
  const auto host = HostWithViews(error);
  if (!host) {
    state.SkipWithError(error.c_str());
    return;
  }
  HttpClient client("127.0.0.1", host->port);
  RangeArrival arrival;
  SubscriptionImpl subscription(NotificationKind::kDeviceKey);
  subscription.SetSubscriber(&arrival, false);
  subscription.Subscribe(kShallowSonar.GetKey());
  std::vector<double> micros;
  int step = 0;
  for (auto _ : state) {
    // A range beyond a limit, in turn above and below: the sonar answers with the limit, which only
    // its settings record brings.
    const bool high = step++ % 2 == 0;
    const double limit = high ? 500.0 : 1.0;
    const std::string label = high ? "\"text\":\"500.0 m\"" : "\"text\":\"1.0 m\"";
    arrival.WaitFor(limit);
    const auto reply =
        client.Post("/api/devices/1.78.1.1/request",
                    high ? R"([{"ZqRange": {"double": 900.0}}])" : R"([{"ZqRange": {"double": 0.5}}])",
                    "application/json");
    if (!reply || reply->status != 202) {
      state.SkipWithError("the API refused the request");
      return;
    }
    const auto showsLimit = [&] {
      for (int id = 1; id <= kViews; ++id) {
        if (host->runtime->Views().Tree(id).value_or("").find(label) == std::string::npos) return false;
      }
      return true;
    };
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!(arrival.Arrived() && showsLimit()) && Clock::now() < deadline) std::this_thread::yield();
    const auto arrived = arrival.Arrived();
    if (!arrived) {
      state.SkipWithError("the sonar's answer did not come");
      return;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - *arrived).count());
  }
  subscription.Unsubscribe();
  Percentiles::Report(state, micros);
}
BENCHMARK(BM_SettingsRecordToViews)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(60);

}  // namespace
