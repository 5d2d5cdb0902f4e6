// Cost of one request pass of the control device, beside building the same record alone.
#include <benchmark/benchmark.h>

#include <memory>

#include "control/KavoDataRecFrame.h"
#include "control/KavoSonarConfigurationControlDevice.h"
#include "platform/zq/KavoSocketIoHandler.h"

namespace {

// Takes records and keeps only a count, so that a long run does not grow a capture.
class CountingTransport : public ZqRecordTransport {
 public:
  bool Send(const CString& record) override {
    bytes_ += static_cast<std::size_t>(record.GetLength());
    return true;
  }
  std::size_t bytes_ = 0;
};

struct BenchDevice {
  BenchDevice() : socket(std::make_unique<CountingTransport>()) {
    socket.SetZqDeviceId(0, 7000);
    device.SetPortPtr(&socket);
    device.GetAttributes().Add("ZqRange", COrvDouble(100.0));
    device.GetAttributes().Add("ZqPower", COrvDouble(200.0));
    device.GetAttributes().Add("Request");
  }
  KavoSocketIoHandler socket;
  KavoSonarConfigurationControlDevice device;
};

void BM_ApplyAttribsEmptyRequest(benchmark::State& state) {
  BenchDevice bench;
  for (auto _ : state) bench.device.ApplyAttribs(false);
}
BENCHMARK(BM_ApplyAttribsEmptyRequest);

void BM_ApplyAttribsRangeRequest(benchmark::State& state) {
  BenchDevice bench;
  CAttributeMap* request = bench.device.GetAttributes().GetAttrMap("Request");
  for (auto _ : state) {
    request->Add("ZqRange", COrvDouble(250.0));
    bench.device.ApplyAttribs(false);
  }
  state.counters["bytes_sent"] =
      static_cast<double>(static_cast<CountingTransport&>(bench.socket.GetTransport()).bytes_);
}
BENCHMARK(BM_ApplyAttribsRangeRequest);

void BM_BuildRangeRecordAlone(benchmark::State& state) {
  BenchDevice bench;
  const float range = 250.0F;
  // The record the range request sends, built as the device builds it (its tracking number included).
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        zq::BuildRemoteControl(1003, &range, sizeof(range), 7000, 0, bench.device.GetTrackingNumber()));
  }
}
BENCHMARK(BM_BuildRangeRecordAlone);

}  // namespace
