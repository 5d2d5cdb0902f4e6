// The capture dump: reading a capture file piece by piece and printing its entries.
#include "tools/ZqDump.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>
#include <vector>

#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"
#include "tools/ZqRecordText.h"

namespace {

constexpr std::size_t kReadSize = std::size_t{64} * 1024;

std::string_view AsText(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Names in records come from the sonar: control characters are shown as \xNN so that they cannot
// move the cursor or recolour the terminal.
std::string Printable(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      std::array<char, 5> escaped{};
      std::snprintf(escaped.data(), escaped.size(), "\\x%02x", b);
      shown += escaped.data();
    } else {
      shown += c;
    }
  }
  return shown;
}

const char* DirectionName(std::uint8_t direction) {
  return direction == zqcapture::kSent ? "sent" : "received";
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string FormatCaptureTime(std::uint64_t timeNs) {
  using namespace std::chrono;
  const sys_seconds time{seconds(timeNs / 1'000'000'000u)};
  const auto day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02d.%03uZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()),
                static_cast<unsigned>(timeNs / 1'000'000u % 1000u));
  return text.data();
}

std::string FormatCaptureEntry(const ZqCaptureEntry& entry, bool json) {
  const std::string_view record = AsText(entry.record);
  if (!json) {
    return FormatCaptureTime(entry.timeNs) + " " + DirectionName(entry.direction) + " link " +
           std::to_string(entry.linkIndex) + ": " + Printable(DescribeZqRecord(record));
  }
  nlohmann::ordered_json line;
  line["time"] = entry.timeNs;
  line["direction"] = DirectionName(entry.direction);
  line["link"] = entry.linkIndex;
  const auto type = le::ByteReader(entry.record).U32(zqwire::kRecordTypeOffset);
  line["type"] = type ? nlohmann::ordered_json(*type) : nlohmann::ordered_json();
  line["size"] = entry.record.size();
  line["text"] = DescribeZqRecord(record);
  line["hex"] = ToHex(record);
  // Text from a record need not be UTF-8; what is not comes out as U+FFFD.
  return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int RunZqDump(const ZqDumpOptions& options, std::ostream& out, std::ostream& err,
              const std::function<bool()>& waitForMore) {
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(options.file.c_str(), "rb"));
  if (!file) {
    err << "zqdump: cannot open \"" << options.file << "\": " << std::strerror(errno) << '\n';
    return 2;
  }
  ZqCaptureReader reader;
  std::vector<std::byte> chunk(kReadSize);
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (got > 0) {
      reader.Feed(std::span(chunk.data(), got));
      ZqCaptureEntry entry;
      ZqCaptureReader::Result result = ZqCaptureReader::Result::kEntry;
      while ((result = reader.Next(entry)) == ZqCaptureReader::Result::kEntry) {
        out << FormatCaptureEntry(entry, options.json) << '\n';
      }
      out.flush();
      if (result == ZqCaptureReader::Result::kDamaged) {
        err << "zqdump: \"" << options.file << "\": " << reader.Problem() << '\n';
        return 2;
      }
      continue;
    }
    if (std::ferror(file.get()) != 0) {
      err << "zqdump: cannot read \"" << options.file << "\": " << std::strerror(errno) << '\n';
      return 2;
    }
    // All the file holds for now has been read.
    if (!options.follow) break;
    if (!waitForMore()) return 0;
    std::clearerr(file.get());
  }
  if (!reader.AtEntryBoundary()) {
    err << "zqdump: \"" << options.file << "\": " << reader.Problem() << '\n';
    return 2;
  }
  return 0;
}
