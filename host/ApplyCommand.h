// `tavrin-host apply`: a dry run of one control device. Loads the plug-in as the host does and has it
// make its control device, gives the device an attribute map (with any pending "Request") and a
// capture port, runs one ApplyAttribs and prints the records that were sent and the attribute map that
// results.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/zq/ZqHead.h"

struct ApplyOptions {
  std::string attributesFile;
  int deviceEnum = 0;
  std::vector<ZqHead> heads;     // empty: head 0 is device identifier 7000
  bool noSocket = false;         // attach a port that is no sonar socket
  bool hostLogging = false;      // the host is logging when the pass runs
  bool decode = false;           // one line per record instead of JSON
  std::filesystem::path plugin;  // empty: the plug-in next to the host program
};

// Runs the dry run. Returns the exit code: 0, or 2 after one line on err naming the problem (bad input,
// or a plug-in that cannot be loaded, refuses the host's version or makes no control device).
int RunApply(const ApplyOptions& options, std::ostream& out, std::ostream& err);
