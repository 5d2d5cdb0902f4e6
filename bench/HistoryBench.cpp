// The change history: one entry appended to a full log (the periodic rewrite of the file included, as it
// comes), and the newest hundred entries of a log of a million, as the history route asks for them.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/ChangeHistory.h"

namespace {

// A folder of its own for each log, removed when the benchmarks end.
class HistoryBenchLog {
 public:
  // The log of entries lines, written in the entry form directly: far quicker than appending each.
  HistoryBenchLog(const std::string& name, std::size_t entries, std::size_t maxEntries)
      : folder_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    const std::filesystem::path file = folder_ / "history.jsonl";
    {
      std::ofstream out(file, std::ios::binary);
      std::string lines;
      for (std::size_t seq = 1; seq <= entries; ++seq) {
        lines += R"({"seq":)" + std::to_string(seq) + R"(,"time":)" + std::to_string(1796650000 + seq) +
                 R"(.125,"device":")" + std::to_string(seq % 4 + 1) + R"(.78.1.1","key":"ZqRange",)" +
                 R"("from":{"double":100.0},"to":{"double":120.0},"confirmed":{"double":120.0},)" +
                 R"j("source":"api","client":"127.0.0.1 (Ann)"})j" + "\n";
        if (lines.size() < (1 << 20)) continue;
        out << lines;
        lines.clear();
      }
      out << lines;
    }
    const auto start = std::chrono::steady_clock::now();
    history_ = ChangeHistory::Open(file, maxEntries, error_);
    openSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  HistoryBenchLog(const HistoryBenchLog&) = delete;
  HistoryBenchLog& operator=(const HistoryBenchLog&) = delete;
  ~HistoryBenchLog() {
    history_.reset();
    std::filesystem::remove_all(folder_);
  }

  ChangeHistory* History() const { return history_.get(); }
  const std::string& Error() const { return error_; }
  double OpenSeconds() const { return openSeconds_; }

 private:
  std::filesystem::path folder_;
  std::string error_;
  std::unique_ptr<ChangeHistory> history_;
  double openSeconds_ = 0.0;
};

void BM_HistoryAppend(benchmark::State& state) {
  static const HistoryBenchLog log("history-append-bench", ChangeHistory::kDefaultMaxEntries,
                                   ChangeHistory::kDefaultMaxEntries);
  if (log.History() == nullptr) {
    state.SkipWithError(log.Error().c_str());
    return;
  }
  HistoryEntry entry;
  entry.time = 1796650000.5;
  entry.device = "1.78.1.1";
  entry.key = "ZqRange";
  entry.from = COrvDouble(100.0);
  entry.to = COrvDouble(120.0);
  entry.source = "api";
  entry.client = "127.0.0.1 (Ann)";
  for (auto _ : state) benchmark::DoNotOptimize(log.History()->Append(entry).seq);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HistoryAppend)->Unit(benchmark::kMicrosecond);

// Built once, for the queries of all the benchmarks below.
const HistoryBenchLog& MillionEntryLog() {
  constexpr std::size_t kEntries = 1'000'000;
  static const HistoryBenchLog log("history-query-bench", kEntries, kEntries);
  return log;
}

void RunHistoryQuery(benchmark::State& state, const HistoryQuery& query) {
  const HistoryBenchLog& log = MillionEntryLog();
  if (log.History() == nullptr) {
    state.SkipWithError(log.Error().c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(log.History()->Json(query));
  state.counters["entries"] = static_cast<double>(log.History()->Size());
  state.counters["open_s"] = log.OpenSeconds();  // reading the million-line file once
}

void BM_HistoryNewest100Of1M(benchmark::State& state) {
  HistoryQuery query;
  query.limit = 100;
  RunHistoryQuery(state, query);
}
BENCHMARK(BM_HistoryNewest100Of1M)->Unit(benchmark::kMillisecond);

// The slowest answer: a time after every entry, so that the whole index is walked (times may step back,
// so the walk cannot stop at the first older entry).
void BM_HistorySinceNothingOf1M(benchmark::State& state) {
  HistoryQuery query;
  query.since = 4e9;
  RunHistoryQuery(state, query);
}
BENCHMARK(BM_HistorySinceNothingOf1M)->Unit(benchmark::kMillisecond);

}  // namespace
