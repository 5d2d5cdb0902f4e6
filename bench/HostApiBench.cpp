// Latency from a change request posted to the JSON API to the new value in the device's attributes,
// with the embedded default's two simulated sonars pinging. Reported as median and 99th percentile.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>
#include "tools/HttpClient.h"

#include "bench/EmbeddedHost.h"

namespace {

void BM_ApiRequestToAttribute(benchmark::State& state) {
  std::string error;
  const auto host = EmbeddedHost::Start(error);
  if (!host) {
    state.SkipWithError(error.c_str());
    return;
  }
  HttpClient client("127.0.0.1", host->port);
  const CDataId shallow(1, 78, 1, 1);
  std::vector<double> micros;
  int step = 0;
  for (auto _ : state) {
    // Ranges the sonar accepts as they are, so that its own answer does not change them back.
    const double range = 20.0 + (step++ % 100);
    const auto start = std::chrono::steady_clock::now();
    const auto reply =
        client.Post("/api/devices/1.78.1.1/request",
                    "[{\"ZqRange\": {\"double\": " + std::to_string(range) + "}}]", "application/json");
    if (!reply || reply->status != 202) {
      state.SkipWithError("the API refused the change request");
      return;
    }
    while (RangeOf(shallow) != range) std::this_thread::yield();
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}
BENCHMARK(BM_ApiRequestToAttribute)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(2000);

}  // namespace
