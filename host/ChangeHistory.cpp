// The change history's log file: its lines written and read, the index kept, the file rewritten when it
// holds too many lines, and the answers as JSON and CSV.
#include "host/ChangeHistory.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>
#include <system_error>
#include <type_traits>

#include "host/JsonText.h"
#include "platform/tavrin/AttributeMapJson.h"

namespace {

// JSON's number grammar, stricter than from_chars: the line is given out as it is, so it must be JSON.
bool IsJsonNumber(std::string_view token) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t first = i;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9') ++i;
    return i > first;
  };
  if (i < token.size() && token[i] == '-') ++i;
  if (i < token.size() && token[i] == '0') {
    ++i;
  } else if (!digits()) {
    return false;
  }
  if (i < token.size() && token[i] == '.' && (++i, !digits())) return false;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == token.size();
}

template <typename Number>
bool NumberFromJson(std::string_view token, Number& number) {
  if (!IsJsonNumber(token)) return false;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), number);
  return result.ec == std::errc() && result.ptr == token.data() + token.size();
}

// The values most entries hold, read without building a JSON document: null, {"double":N},
// {"int":N}, {"bool":true} and {"bool":false}. False for anything else, which the full reader takes.
bool ReadCommonTypedValue(std::string_view raw, COrvType& value) {
  constexpr std::string_view kDouble = R"({"double":)";
  constexpr std::string_view kInt = R"({"int":)";
  if (raw == "null") {
    value = COrvType();
    return true;
  }
  if (raw == R"({"bool":true})" || raw == R"({"bool":false})") {
    value = COrvBool(raw[8] == 't');
    return true;
  }
  if (raw.size() < 2 || raw.back() != '}') return false;
  if (raw.starts_with(kDouble)) {
    double number = 0.0;
    if (!NumberFromJson(raw.substr(kDouble.size(), raw.size() - kDouble.size() - 1), number) ||
        !std::isfinite(number)) {
      return false;
    }
    value = COrvDouble(number);
    return true;
  }
  if (raw.starts_with(kInt)) {
    int number = 0;
    if (!NumberFromJson(raw.substr(kInt.size(), raw.size() - kInt.size() - 1), number)) return false;
    value = COrvInt(number);
    return true;
  }
  return false;
}

// Reads one entry line, strictly in the form FormatHistoryEntry writes (members in that order), with
// blanks allowed between the parts.
class HistoryLineReader {
 public:
  explicit HistoryLineReader(std::string_view text) : text_(text) {}

  bool Read(HistoryEntry& entry) {
    return Take('{') && Name("seq") && Seq(entry.seq) && Next("time") && Time(entry.time) && Next("device") &&
           String(entry.device) && Next("key") && String(entry.key) && Next("from") && Typed(entry.from) &&
           Next("to") && Typed(entry.to) && Next("confirmed") && Typed(entry.confirmed) && Next("source") &&
           String(entry.source) && Next("client") && String(entry.client) && Take('}') && AtEnd();
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }
  bool Take(char c) {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // A member's name and its colon; the names need no escapes.
  bool Name(std::string_view name) {
    if (!Take('"') || text_.substr(pos_, name.size()) != name) return false;
    pos_ += name.size();
    return Take('"') && Take(':');
  }
  bool Next(std::string_view name) { return Take(',') && Name(name); }

  // The text of a string token, quotes included; pos_ is on its opening quote.
  std::string_view StringToken() {
    const std::size_t start = pos_;
    for (++pos_; pos_ < text_.size(); ++pos_) {
      if (text_[pos_] == '\\') {
        ++pos_;
      } else if (text_[pos_] == '"') {
        ++pos_;
        return text_.substr(start, pos_ - start);
      }
    }
    return {};
  }
  bool String(std::string& out) {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '"') return false;
    const std::string_view token = StringToken();
    if (token.empty()) return false;
    const std::string_view inner = token.substr(1, token.size() - 2);
    const bool plain = std::all_of(inner.begin(), inner.end(), [](char c) {
      return c != '\\' && static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x80;
    });
    if (plain) {
      out.assign(inner);
      return true;
    }
    // Escapes and bytes beyond ASCII: the JSON reader decodes them and refuses what is no UTF-8.
    const auto decoded = nlohmann::json::parse(token, nullptr, false);
    if (!decoded.is_string()) return false;
    out = decoded.get<std::string>();
    return true;
  }
  std::string_view NumberToken() {
    SkipBlanks();
    const std::size_t start = pos_;
    while (pos_ < text_.size() &&
           std::string_view("+-.0123456789eE").find(text_[pos_]) != std::string_view::npos) {
      ++pos_;
    }
    return text_.substr(start, pos_ - start);
  }
  bool Seq(std::uint64_t& seq) { return NumberFromJson(NumberToken(), seq) && seq > 0; }
  bool Time(double& time) { return NumberFromJson(NumberToken(), time) && std::isfinite(time); }
  // One JSON value of any shape, found by its brackets, then read as a typed value.
  bool Typed(COrvType& value) {
    SkipBlanks();
    const std::size_t start = pos_;
    int depth = 0;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '"') {
        if (StringToken().empty()) return false;
        continue;
      }
      if (depth == 0 && (c == ',' || c == '}')) break;
      if (c == '{' || c == '[') ++depth;
      if (c == '}' || c == ']') --depth;
      ++pos_;
    }
    if (depth != 0) return false;
    const std::string_view raw = text_.substr(start, pos_ - start);
    return ReadCommonTypedValue(raw, value) || ReadTypedValueJson(raw, value).ok;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

// The shortest text that reads back as the same double.
void AppendShortestDouble(std::string& out, double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

std::string FormatHistoryEntry(const HistoryEntry& entry) {
  std::string out = "{\"seq\":";
  out += std::to_string(entry.seq);
  out += ",\"time\":";
  AppendShortestDouble(out, entry.time);
  out += ",\"device\":";
  AppendJsonString(out, entry.device);
  out += ",\"key\":";
  AppendJsonString(out, entry.key);
  out += ",\"from\":";
  out += WriteTypedValueJson(entry.from);
  out += ",\"to\":";
  out += WriteTypedValueJson(entry.to);
  out += ",\"confirmed\":";
  out += WriteTypedValueJson(entry.confirmed);
  out += ",\"source\":";
  AppendJsonString(out, entry.source);
  out += ",\"client\":";
  AppendJsonString(out, entry.client);
  out += '}';
  return out;
}

// CSV numbers as JSON writes them; doubles that are not finite by the names JSON gives them.
void AppendCsvDouble(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "NaN";
  } else if (std::isinf(value)) {
    out += value > 0 ? "Infinity" : "-Infinity";
  } else {
    AppendShortestDouble(out, value);
  }
}

template <typename Number>
void AppendSpaced(std::string& out, const std::vector<Number>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ' ';
    if constexpr (std::is_same_v<Number, double>) {
      AppendCsvDouble(out, values[i]);
    } else {
      out += std::to_string(values[i]);
    }
  }
}

// A typed value as a spreadsheet shows it: the plain value, lists separated by spaces. True when it is
// text (which may start like a formula).
bool AppendPlainValue(std::string& out, const COrvType& value) {
  switch (value.GetKind()) {
    case COrvType::Kind::kNone:
      return false;
    case COrvType::Kind::kInt: {
      int v = 0;
      value.GetValue(v);
      out += std::to_string(v);
      return false;
    }
    case COrvType::Kind::kInt64: {
      std::int64_t v = 0;
      value.GetValue(v);
      out += std::to_string(v);
      return false;
    }
    case COrvType::Kind::kBool: {
      bool v = false;
      value.GetValue(v);
      out += v ? "true" : "false";
      return false;
    }
    case COrvType::Kind::kDouble: {
      double v = 0.0;
      value.GetValue(v);
      AppendCsvDouble(out, v);
      return false;
    }
    case COrvType::Kind::kDouble2D: {
      double first = 0.0;
      double second = 0.0;
      value.GetValue(first, second);
      AppendSpaced(out, std::vector<double>{first, second});
      return false;
    }
    case COrvType::Kind::kText: {
      CString v;
      value.GetValue(v);
      out += v.Str();
      return true;
    }
    case COrvType::Kind::kIntList: {
      std::vector<int> v;
      value.GetValue(v);
      AppendSpaced(out, v);
      return false;
    }
    case COrvType::Kind::kDoubleList: {
      std::vector<double> v;
      value.GetValue(v);
      AppendSpaced(out, v);
      return false;
    }
    case COrvType::Kind::kDataInfo: {
      OrvDataInfo v;
      value.GetValue(v);
      out += v.id.GetKey().Str();
      out += ' ' + std::to_string(v.a) + ' ' + std::to_string(v.b);
      return false;
    }
  }
  return false;
}

// One CSV field. Text that a spreadsheet would take for a formula gets a leading quote; a field with a
// separator, quote or line end is quoted, its quotes doubled.
void AppendCsvCell(std::string& out, std::string_view cell, bool isText) {
  out += ',';
  std::string guarded;
  if (isText && !cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos) {
    guarded = "'" + std::string(cell);
    cell = guarded;
  }
  if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += cell;
    return;
  }
  out += '"';
  for (const char c : cell) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// ISO 8601 UTC to the nearest millisecond, e.g. 2026-12-07T13:26:40.123Z; empty when out of range.
std::string FormatUtcMillis(double time) {
  if (!std::isfinite(time) || std::fabs(time) > 1e12) return {};
  const auto millis = std::llround(time * 1000.0);
  auto seconds = millis / 1000;
  auto fraction = millis % 1000;
  if (fraction < 0) fraction += 1000, seconds -= 1;
  const auto whole = static_cast<std::time_t>(seconds);
  std::tm utc{};
  if (gmtime_r(&whole, &utc) == nullptr) return {};
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(fraction));
  return buffer;
}

void AppendCsvRow(std::string& out, const HistoryEntry& entry) {
  std::string cell;
  AppendShortestDouble(cell, entry.time);
  out += cell;  // the first field: no separator before it, and a number never needs quotes
  AppendCsvCell(out, FormatUtcMillis(entry.time), false);
  AppendCsvCell(out, entry.device, true);
  AppendCsvCell(out, entry.key, true);
  for (const COrvType* value : {&entry.from, &entry.to, &entry.confirmed}) {
    cell.clear();
    const bool isText = AppendPlainValue(cell, *value);
    AppendCsvCell(out, cell, isText);
  }
  AppendCsvCell(out, entry.source, true);
  AppendCsvCell(out, entry.client, true);
  out += "\r\n";
}

// A file of the system's temporary folder that has no name, so that it goes when it is closed.
int OpenAnonymousHistoryFile() {
  std::error_code status;
  std::filesystem::path folder = std::filesystem::temp_directory_path(status);
  if (status) folder = "/tmp";
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string name = (folder / "tavrin-history-XXXXXX").string();
  const int named = ::mkostemp(name.data(), O_CLOEXEC);
  if (named >= 0) ::unlink(name.c_str());
  return named;
}

bool WriteHistoryBytes(int fd, std::string_view bytes, std::uint64_t offset) {
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

// Makes a rename in folder durable: until the folder is synced, a power loss may bring back the old file.
void SyncHistoryFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

constexpr std::size_t kReadChunkBytes = 1 << 20;

// The file may hold a quarter more lines than the entries kept before it is rewritten.
std::size_t LinesBeforeRewrite(std::size_t maxEntries) {
  const std::size_t quarter = maxEntries / 4;
  constexpr std::size_t kMost = std::numeric_limits<std::size_t>::max();
  return maxEntries > kMost - quarter ? kMost : maxEntries + quarter;
}

}  // namespace

std::unique_ptr<ChangeHistory> ChangeHistory::Open(const std::filesystem::path& file, std::size_t maxEntries,
                                                   std::string& error) {
  const std::string name = file.empty() ? std::string("the temporary change history") : file.string();
  const int fd =
      file.empty() ? OpenAnonymousHistoryFile() : ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = name + ": cannot open: " + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<ChangeHistory> history(new ChangeHistory(file, fd, std::max<std::size_t>(maxEntries, 1)));
  try {
    if (!history->Load(error)) {
      error = name + ": " + error;
      return nullptr;
    }
  } catch (const std::exception& failure) {  // memory, for a file far larger than any bound
    error = name + ": cannot read: " + failure.what();
    return nullptr;
  }
  return history;
}

ChangeHistory::ChangeHistory(std::filesystem::path file, int fd, std::size_t maxEntries)
    : file_(std::move(file)),
      maxEntries_(maxEntries),
      fd_(fd),
      compactAfter_(LinesBeforeRewrite(maxEntries)) {}

ChangeHistory::~ChangeHistory() {
  ::close(fd_);
}

bool ChangeHistory::Load(std::string& error) {
  std::vector<Slot> read;  // each entry line in the order of the file
  std::vector<char> chunk(kReadChunkBytes);
  std::string partial;       // a line that began in an earlier chunk
  bool tooLong = false;      // the current line is longer than any entry: skipped to its end
  std::uint64_t offset = 0;  // of the chunk
  std::uint64_t lineStart = 0;
  for (;;) {
    const ssize_t n = ::pread(fd_, chunk.data(), chunk.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::string("cannot read: ") + std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    const std::string_view bytes(chunk.data(), static_cast<std::size_t>(n));
    std::size_t start = 0;
    while (start < bytes.size()) {
      const std::size_t end = bytes.find('\n', start);
      const std::string_view piece = bytes.substr(start, end == std::string_view::npos ? end : end - start);
      if (!tooLong && partial.size() + piece.size() > kMaxLineBytes) {
        tooLong = true;
        partial.clear();
      }
      if (end == std::string_view::npos) {
        if (!tooLong) partial.append(piece);
        break;
      }
      if (tooLong) {
        ++fileLines_;
        ++damagedLines_;
      } else if (partial.empty()) {
        AddLine(piece, lineStart, read);
      } else {
        partial.append(piece);
        AddLine(partial, lineStart, read);
      }
      partial.clear();
      tooLong = false;
      start = end + 1;
      lineStart = offset + start;
    }
    offset += static_cast<std::uint64_t>(n);
  }
  fileSize_ = offset;
  if (!partial.empty() || tooLong) {
    // The last line has no end: most likely a write cut short. It is read like any other, and ended,
    // so that the next line starts a line of its own.
    if (tooLong) {
      ++fileLines_;
      ++damagedLines_;
    } else {
      AddLine(partial, lineStart, read);
    }
    if (WriteHistoryBytes(fd_, "\n", fileSize_)) ++fileSize_;
  }
  // The last line of each seq wins.
  std::stable_sort(read.begin(), read.end(), [](const Slot& a, const Slot& b) { return a.seq < b.seq; });
  for (std::size_t i = 0; i < read.size(); ++i) {
    if (i + 1 < read.size() && read[i + 1].seq == read[i].seq) continue;
    slots_.push_back(read[i]);
  }
  if (!slots_.empty()) nextSeq_ = slots_.back().seq + 1;
  DropOldest();
  CompactIfDue();
  return true;
}

void ChangeHistory::AddLine(std::string_view line, std::uint64_t offset, std::vector<Slot>& read) {
  if (line.find_first_not_of(" \t\r") == std::string_view::npos) return;
  ++fileLines_;
  HistoryEntry entry;
  if (line.size() > kMaxLineBytes || !HistoryLineReader(line).Read(entry)) {
    ++damagedLines_;
    return;
  }
  read.push_back(
      {entry.seq, entry.time, offset, static_cast<std::uint32_t>(line.size()), DeviceNumber(entry.device)});
}

std::uint32_t ChangeHistory::DeviceNumber(const std::string& device) {
  const auto [place, added] = deviceNumbers_.try_emplace(device, static_cast<std::uint32_t>(devices_.size()));
  if (added) devices_.push_back(device);
  return place->second;
}

bool ChangeHistory::WriteLine(const std::string& line, Slot& slot) {
  if (line.size() > kMaxLineBytes) return false;  // it could not be read back
  const std::string bytes = line + '\n';
  // One write of the whole line, so that the file holds it whole or not at all.
  const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(fileSize_));
  if (n != static_cast<ssize_t>(bytes.size())) {
    if (n > 0 && ::ftruncate(fd_, static_cast<off_t>(fileSize_)) != 0) {
      // The fragment stays; a line end after it keeps the next line whole.
      if (WriteHistoryBytes(fd_, "\n", fileSize_ + static_cast<std::uint64_t>(n))) {
        fileSize_ += static_cast<std::uint64_t>(n) + 1;
      }
    }
    return false;
  }
  slot.offset = fileSize_;
  slot.length = static_cast<std::uint32_t>(line.size());
  fileSize_ += bytes.size();
  ++fileLines_;
  return true;
}

void ChangeHistory::DropOldest() {
  while (slots_.size() > maxEntries_) slots_.pop_front();
}

void ChangeHistory::CompactIfDue() {
  if (fileLines_ <= compactAfter_) return;
  // When the file cannot be rewritten, the next try waits as many lines again.
  compactAfter_ =
      Compact() ? LinesBeforeRewrite(maxEntries_) : fileLines_ + std::max<std::size_t>(maxEntries_ / 4, 1);
}

bool ChangeHistory::Compact() {
  const std::filesystem::path temporary =
      file_.empty() ? file_ : std::filesystem::path(file_.string() + ".new");
  const int fd = file_.empty() ? OpenAnonymousHistoryFile()
                               : ::open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::vector<std::uint64_t> offsets;
  offsets.reserve(slots_.size());
  std::string pending;
  std::uint64_t written = 0;
  // The old file is read a window at a time: the kept lines lie mostly in order, since a confirmation
  // follows its change closely.
  std::string window;
  std::uint64_t windowStart = 0;
  bool ok = true;
  for (const Slot& slot : slots_) {
    if (slot.offset < windowStart || slot.offset + slot.length > windowStart + window.size()) {
      windowStart = slot.offset;
      window.resize(std::max<std::size_t>(kReadChunkBytes, slot.length));
      const ssize_t n = ::pread(fd_, window.data(), window.size(), static_cast<off_t>(windowStart));
      window.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
      ok = window.size() >= slot.length;
      if (!ok) break;
    }
    offsets.push_back(written + pending.size());
    pending.append(window, slot.offset - windowStart, slot.length);
    pending += '\n';
    if (pending.size() < kReadChunkBytes) continue;
    ok = WriteHistoryBytes(fd, pending, written);
    if (!ok) break;
    written += pending.size();
    pending.clear();
  }
  ok = ok && WriteHistoryBytes(fd, pending, written);
  written += pending.size();
  if (ok && !file_.empty()) {
    std::error_code status;
    ok = ::fsync(fd) == 0;
    if (ok) std::filesystem::rename(temporary, file_, status);
    ok = ok && !status;
    if (!ok) std::filesystem::remove(temporary, status);
    if (ok) SyncHistoryFolder(file_.parent_path());
  }
  if (!ok) {
    ::close(fd);
    return false;
  }
  ::close(fd_);
  fd_ = fd;
  fileSize_ = written;
  fileLines_ = slots_.size();
  for (std::size_t i = 0; i < slots_.size(); ++i) slots_[i].offset = offsets[i];
  return true;
}

bool ChangeHistory::ReadLine(const Slot& slot, std::string& line) const {
  line.resize(slot.length);
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n =
        ::pread(fd_, line.data() + done, line.size() - done, static_cast<off_t>(slot.offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

ChangeHistory::Appended ChangeHistory::Append(HistoryEntry entry) {
  const std::lock_guard lock(mutex_);
  entry.seq = nextSeq_++;
  if (!std::isfinite(entry.time)) entry.time = 0.0;  // JSON has no such number
  std::string text = FormatHistoryEntry(entry);
  Slot slot{entry.seq, entry.time, 0, 0, DeviceNumber(entry.device)};
  if (WriteLine(text, slot)) {
    slots_.push_back(slot);
    DropOldest();
    CompactIfDue();
  }
  return {entry.seq, std::move(text)};
}

std::optional<std::string> ChangeHistory::Confirm(std::uint64_t seq, const COrvType& confirmed) {
  const std::lock_guard lock(mutex_);
  const auto slot =
      std::lower_bound(slots_.begin(), slots_.end(), seq,
                       [](const Slot& kept, std::uint64_t wanted) { return kept.seq < wanted; });
  if (slot == slots_.end() || slot->seq != seq) return std::nullopt;
  std::string line;
  HistoryEntry entry;
  if (!ReadLine(*slot, line) || !HistoryLineReader(line).Read(entry)) return std::nullopt;
  entry.confirmed = confirmed;
  std::string text = FormatHistoryEntry(entry);
  if (!WriteLine(text, *slot)) return std::nullopt;
  CompactIfDue();
  return text;
}

std::vector<std::string> ChangeHistory::SelectLines(const HistoryQuery& query) const {
  std::vector<std::string> lines;
  std::optional<std::uint32_t> device;
  if (query.device) {
    const auto known = deviceNumbers_.find(*query.device);
    if (known == deviceNumbers_.end()) return lines;
    device = known->second;
  }
  std::string line;
  for (auto slot = slots_.rbegin(); slot != slots_.rend() && lines.size() < query.limit; ++slot) {
    if (device && slot->device != *device) continue;
    // Not a stop: the clock may have stepped back, so older entries may still be recent enough.
    if (query.since && !(slot->time >= *query.since)) continue;
    if (ReadLine(*slot, line)) lines.push_back(line);
  }
  return lines;
}

std::string ChangeHistory::Json(const HistoryQuery& query) const {
  const std::lock_guard lock(mutex_);
  std::string out = "[";
  for (const std::string& line : SelectLines(query)) {
    if (out.size() > 1) out += ',';
    out += line;
  }
  out += ']';
  return out;
}

std::string ChangeHistory::Csv(const HistoryQuery& query) const {
  std::vector<std::string> lines;
  {
    const std::lock_guard lock(mutex_);
    lines = SelectLines(query);
  }
  std::string out = "time,utc,device,key,from,to,confirmed,source,client\r\n";
  for (const std::string& line : lines) {
    HistoryEntry entry;
    if (HistoryLineReader(line).Read(entry)) AppendCsvRow(out, entry);
  }
  return out;
}

std::size_t ChangeHistory::Size() const {
  const std::lock_guard lock(mutex_);
  return slots_.size();
}

std::size_t ChangeHistory::DamagedLines() const {
  const std::lock_guard lock(mutex_);
  return damagedLines_;
}
