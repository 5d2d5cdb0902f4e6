// Cost of the ping settings record (7000) that each sonar sends at the end of every ping, read as the
// host reads it: the record's body alone, the body into a sonar device's attributes and settings data
// block, and the whole of a sonar device's handling of the record (decode under the attribute lock,
// data block, data flow, notifications). The records are those of a simulated head, and the device
// holds what a running sonar device holds: its configured attributes, its sonar's configuration and
// its settings on request. Records per second on one core are items_per_second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/COrvType.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/zq/KavoDevice.h"
#include "platform/zq/ZqSettingsDecoder.h"
#include "platform/zq/ZqSettingsRecord.h"
#include "sim/SimHead.h"
#include "sim/SimModel.h"

namespace {

constexpr std::size_t kRecords = 256;  // successive pings, so that the ping number changes

// The heads here never record: their recording folder is never written.
SimHead BenchHead() {
  return SimHead(SimModel::Shallow(), 0, 7000, "bench", std::filesystem::temp_directory_path());
}

// The ping settings records of successive pings of a simulated shallow-water head.
std::vector<std::string> PingSettingsRecords() {
  SimHead head = BenchHead();
  std::vector<std::string> records;
  double now = 0.0;
  while (records.size() < kRecords) {
    const PingTiming ping = head.StartPing(now);
    head.FinishPing(ping, records);
    now = ping.end;
  }
  return records;
}

std::span<const std::byte> Bytes(const std::string& record) {
  return std::as_bytes(std::span(record.data(), record.size()));
}

// A sonar device as the host's configuration makes it, after its sonar greeted it on connecting
// (configuration 7003, settings on request 7503).
struct ConnectedDevice {
  ConnectedDevice() {
    device.SetDataId(CDataId(1, 78, 1, 1));
    CAttributeMap& attributes = device.GetAttributes();
    attributes.Add("DeviceEnum", COrvInt(0));
    attributes.Add("DeviceId", COrvInt(7000));
    attributes.Add("PingMode", COrvInt(1));
    attributes.Add("SonarGroupId", COrvInt(1));
    attributes.Add("Overhead", COrvDouble(10.0));
    SimHead head = BenchHead();
    std::vector<std::string> greeting;
    head.OnConnect(greeting);
    for (std::string& record : greeting)
      device.ProcessMessage(record.data(), static_cast<int>(record.size()));
  }
  ~ConnectedDevice() { SubscriptionManager::Instance().WaitIdle(std::chrono::seconds(10)); }
  ConnectedDevice(const ConnectedDevice&) = delete;
  ConnectedDevice& operator=(const ConnectedDevice&) = delete;

  KavoDevice device;
};

void BM_SettingsBodyDecode(benchmark::State& state) {
  const std::vector<std::string> records = PingSettingsRecords();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zqwire::DecodeSettings(Bytes(records[i])));
    i = (i + 1) % records.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SettingsBodyDecode);

void BM_SettingsIntoAttributesAndBlock(benchmark::State& state) {
  const std::vector<std::string> records = PingSettingsRecords();
  ConnectedDevice connected;
  CAttributeMap& attributes = connected.device.GetAttributes();
  state.counters["attributes"] = attributes.GetCount();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ZqSettingsDecoder::Decode(Bytes(records[i]), attributes));
    i = (i + 1) % records.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SettingsIntoAttributesAndBlock);

void BM_SonarDeviceProcessesPingSettings(benchmark::State& state) {
  std::vector<std::string> records = PingSettingsRecords();
  ConnectedDevice connected;
  std::size_t i = 0;
  for (auto _ : state) {
    std::string& record = records[i];
    connected.device.ProcessMessage(record.data(), static_cast<int>(record.size()));
    i = (i + 1) % records.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SonarDeviceProcessesPingSettings);

}  // namespace
