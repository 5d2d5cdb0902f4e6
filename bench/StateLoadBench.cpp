// Loading a device's stored attributes from the state folder, at two sizes of map, so that the time per
// entry shows whether loading stays linear: a host whose state grew large must still start at once.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/StateStore.h"
#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/Device.h"

namespace {

void BM_StateStoreLoad(benchmark::State& state) {
  const auto entries = state.range(0);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("state-load-bench-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  {
    std::string error;
    const auto store = StateStore::Open(folder, nullptr, error);
    if (!store) {
      state.SkipWithError(error.c_str());
      return;
    }
    Device device;
    device.SetDataId(CDataId(1, 78, 1, 1));
    CAttributeMap map;
    for (std::int64_t i = 0; i < entries; ++i) {
      map.Append(CString("ZqSetting" + std::to_string(i)), COrvDouble(static_cast<double>(i) + 0.5));
    }
    // As the store writes it.
    std::ofstream(store->PathOf(device.GetDataId())) << WriteAttributeMapJson(map, 1) << "\n";
    for (auto _ : state) {
      std::string report;
      if (store->Load(device, report) != StateStore::LoadOutcome::kLoaded) {
        state.SkipWithError(report.c_str());
        break;
      }
    }
    state.SetItemsProcessed(state.iterations() * entries);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_StateStoreLoad)->Arg(20'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

}  // namespace
