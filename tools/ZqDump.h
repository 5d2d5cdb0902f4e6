// The capture dump `zqdump`: capture entries as lines for people or as JSON lines, read from a file
// that may still be growing.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "link/ZqCaptureFile.h"

struct ZqDumpOptions {
  std::string file;
  bool json = false;
  bool follow = false;
};

// Host time in nanoseconds since the Unix epoch as UTC, ISO 8601 with milliseconds:
// "2024-05-06T07:08:09.123Z".
std::string FormatCaptureTime(std::uint64_t timeNs);

// One entry on one line, without the line end: "<time> sent|received link <n>: <record described>",
// or with json a JSON object {"time", "direction", "link", "type", "size", "text", "hex"}.
std::string FormatCaptureEntry(const ZqCaptureEntry& entry, bool json);

// Prints every entry of the file to out. Following, it waits with waitForMore whenever it has read all
// the file holds, and ends when waitForMore returns false; an entry the file has not finished yet is
// waited for. Returns 0, or 2 with a message on err naming the file (and the offset of a damaged
// entry) when the file cannot be read or is damaged.
int RunZqDump(const ZqDumpOptions& options, std::ostream& out, std::ostream& err,
              const std::function<bool()>& waitForMore);
