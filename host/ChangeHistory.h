// The host's change history: a durable, bounded log of every change request applied to a sonar. The
// log is a file of JSON lines, one entry a line; a confirmation appends the entry again, whole, so that
// the last line of a seq wins when the file is read and a crash loses no line that was written. Memory
// holds a small index per entry (seq, time, device, where its newest line is), never the entries' text:
// answers read the lines they need from the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/tavrin/COrvType.h"

// One applied change. A value with no type (COrvType().IsEmpty()) means "none" and is written as null.
struct HistoryEntry {
  std::uint64_t seq = 0;  // given by Append: 1, 2, 3... in order of appending, never reused
  double time = 0.0;      // seconds since the Unix epoch
  std::string device;     // the device key, e.g. "1.78.1.1"
  std::string key;        // e.g. "ZqRange"
  COrvType from;          // value before the change (none when unknown)
  COrvType to;            // value requested
  COrvType confirmed;     // value the sonar reported next (none until known)
  std::string source;     // "api" | "view" | "profile" | "restore" | "logging"
  std::string client;     // e.g. "127.0.0.1 (Ann)"; may be empty
};

struct HistoryQuery {
  std::optional<std::string> device;  // only this device's entries
  std::optional<double> since;        // only entries with time >= since
  std::size_t limit = 100;            // at most this many, newest first
};

// Every public member may be called from any thread at the same time; none throws.
class ChangeHistory {
 public:
  static constexpr std::size_t kDefaultMaxEntries = 100000;
  // A line longer than this is no entry of ours: it is skipped as damaged when the file is read.
  static constexpr std::size_t kMaxLineBytes = 4 * 1024 * 1024;

  // Opens the log file, creating it when missing (its folder must exist). An empty path keeps the log
  // in an anonymous temporary file, so that a host without a state folder behaves the same. Lines that
  // are no entry are skipped and counted. Null, with a message naming the file in error, when the file
  // cannot be opened.
  static std::unique_ptr<ChangeHistory> Open(const std::filesystem::path& file, std::size_t maxEntries,
                                             std::string& error);
  ChangeHistory(const ChangeHistory&) = delete;
  ChangeHistory& operator=(const ChangeHistory&) = delete;
  ~ChangeHistory();

  // What Append wrote: the seq it gave the entry, by which it is confirmed later, and the entry's JSON
  // text, for the host's event stream.
  struct Appended {
    std::uint64_t seq = 0;
    std::string json;
  };
  // Gives the entry the next seq and writes it as one line.
  Appended Append(HistoryEntry entry);
  // Sets the confirmed value of entry seq. Its new JSON text, or nothing when it is no longer kept.
  std::optional<std::string> Confirm(std::uint64_t seq, const COrvType& confirmed);
  // The entries that the query selects, newest first, as a JSON array of entry texts.
  std::string Json(const HistoryQuery& query) const;
  // The same entries as CSV: a header line, then one row per entry, lines ending CRLF.
  std::string Csv(const HistoryQuery& query) const;
  std::size_t Size() const;          // entries kept
  std::size_t DamagedLines() const;  // lines skipped when the file was read

 private:
  // Where an entry's newest line is. 32 bytes, so that a million entries cost 32 MB.
  struct Slot {
    std::uint64_t seq = 0;
    double time = 0.0;
    std::uint64_t offset = 0;
    std::uint32_t length = 0;  // without the line's end
    std::uint32_t device = 0;  // index into devices_
  };

  ChangeHistory(std::filesystem::path file, int fd, std::size_t maxEntries);
  // Reads the whole file into the index; false when it cannot be read.
  bool Load(std::string& error);
  void AddLine(std::string_view line, std::uint64_t offset, std::vector<Slot>& read);
  std::uint32_t DeviceNumber(const std::string& device);
  // Writes line and a line end at the end of the file; the slot's offset and length on success.
  bool WriteLine(const std::string& line, Slot& slot);
  void DropOldest();
  // Rewrites the file with the kept entries only, when it holds too many lines.
  void CompactIfDue();
  bool Compact();
  // The kept lines that query selects, newest first (mutex_ held).
  std::vector<std::string> SelectLines(const HistoryQuery& query) const;
  bool ReadLine(const Slot& slot, std::string& line) const;

  const std::filesystem::path file_;  // empty for an anonymous file
  const std::size_t maxEntries_;
  mutable std::mutex mutex_;
  int fd_;
  std::uint64_t fileSize_ = 0;
  std::size_t fileLines_ = 0;     // lines in the file, replaced and damaged ones too
  std::size_t compactAfter_ = 0;  // the file is rewritten when it holds more lines than this
  std::size_t damagedLines_ = 0;
  std::uint64_t nextSeq_ = 1;
  std::deque<Slot> slots_;  // kept entries in order of seq
  std::vector<std::string> devices_;
  std::unordered_map<std::string, std::uint32_t> deviceNumbers_;
};
