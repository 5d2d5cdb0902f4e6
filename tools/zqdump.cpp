// zqdump: prints a capture file of the host's sonar links, one record a line.
#include <CLI/CLI.hpp>
#include <csignal>
#include <ctime>
#include <iostream>

#include "tools/ZqDump.h"

namespace {

int Main(int argc, char** argv) {
  CLI::App app{
      "zqdump: prints the records of a capture file (tavrin-host --capture), one a line: UTC time, "
      "direction, link index and the record described"};
  ZqDumpOptions options;
  app.add_option("FILE", options.file, "The capture file")->required();
  app.add_flag("--json", options.json,
               "One JSON object a line: time (ns since 1970), direction, link, type, size, text, hex");
  app.add_flag("--follow", options.follow,
               "Keep reading as the file grows, until interrupted (Ctrl-C or SIGTERM)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << "zqdump: " << error.what() << " (see --help)\n";
    return 2;
  }

  // Following, the stop signals are taken while waiting for the file to grow, so the dump ends
  // between entries and with its output flushed.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  if (options.follow) sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  const auto waitForMore = [&stopSignals] {
    const timespec pollInterval{0, 200'000'000};
    return sigtimedwait(&stopSignals, nullptr, &pollInterval) < 0;
  };
  return RunZqDump(options, std::cout, std::cerr, waitForMore);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& error) {
    // Only running out of memory gets here.
    std::cerr << "zqdump: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "zqdump: unexpected failure\n";
  }
  return 1;
}
