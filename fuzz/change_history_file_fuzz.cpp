// Feeds arbitrary bytes to the change history as the log file found at a host's start: whatever it
// reads, its answers must be valid JSON, and an entry appended and confirmed afterwards must be read
// back as the newest when the file is opened again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "host/ChangeHistory.h"

namespace {

void CheckJson(const std::string& text) {
  const auto document = nlohmann::json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_array()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                            ("change-history-fuzz-" + std::to_string(::getpid()) + ".jsonl");
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  constexpr std::size_t kMaxEntries = 8;  // small, so that appending rewrites the file now and then
  std::string error;
  std::uint64_t seq = 0;
  {
    auto history = ChangeHistory::Open(file, kMaxEntries, error);
    if (!history) std::abort();  // the file is there and readable: it must open
    CheckJson(history->Json({std::nullopt, std::nullopt, 1000}));
    CheckJson(history->Json({"1.78.1.1", 0.0, 3}));
    history->Csv({});
    HistoryEntry entry;
    entry.time = 1.0;
    entry.device = "1.78.1.1";
    entry.key = "ZqRange";
    entry.to = COrvDouble(120.0);
    entry.source = "api";
    seq = history->Append(entry).seq;
    if (!history->Confirm(seq, COrvDouble(100.0))) std::abort();
  }
  auto reopened = ChangeHistory::Open(file, kMaxEntries, error);
  if (!reopened) std::abort();
  const auto newest = nlohmann::json::parse(reopened->Json({std::nullopt, std::nullopt, 1}), nullptr, false);
  if (newest.size() != 1 || newest[0]["seq"] != seq || newest[0]["confirmed"]["double"] != 100.0)
    std::abort();
  return 0;
}
