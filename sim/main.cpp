// zq-sonar-sim: a simulated Zq processing unit on a TCP port, for the host to connect to.
#include <CLI/CLI.hpp>
#include <charconv>
#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "sim/PingLog.h"
#include "sim/SimFaults.h"
#include "sim/SimHead.h"
#include "sim/SimModel.h"
#include "sim/SimServer.h"

namespace {

int Main(int argc, char** argv) {
  CLI::App app{"zq-sonar-sim: a simulated Zq sonar processing unit that the host connects to over TCP"};
  SimServerConfig config;
  config.listen = "127.0.0.1:7000";
  std::vector<std::string> headTexts;
  std::string pingLogPath;
  std::vector<std::string> boardErrors;
  std::vector<std::string> fieldsOutOfLimits;
  bool silent = false;
  std::vector<std::string> eventTexts;

  app.add_option("--listen", config.listen,
                 "ADDRESS:PORT to listen on (default 127.0.0.1:7000; port 0: any)");
  app.add_option("--model", config.model, "Sonar model: shallow (200/400 kHz) or deep (12 kHz)")
      ->check(CLI::IsMember({"shallow", "deep"}));
  app.add_option("--head", headTexts,
                 "A head ENUM=ID: its first setting set's device enum and its device identifier (repeatable; "
                 "default 0=7000)");
  app.add_option("--name", config.name, "The sonar's name in the ping log (default sim)");
  app.add_option("--ping-log", pingLogPath, "Append one JSON line per ping to FILE");
  app.add_option("--record-folder", config.recordFolder,
                 "Folder the heads record into (default: a new folder under the system's temporary folder)");
  app.add_option("--bite-interval", config.biteIntervalSeconds,
                 "Seconds between BITE results; 0: none (default 5)")
      ->check(CLI::Range(0.0, 86400.0));
  app.add_option("--board-error", boardErrors, "Fault: board BOARD=FLAGS in error, e.g. TX1=1 (repeatable)");
  app.add_option("--field-out-of-limits", fieldsOutOfLimits,
                 "Fault: BITE field BOARD/FIELD reports a value outside its limits (repeatable)");
  app.add_flag("--silent", silent, "Fault: accept connections and records but send nothing");
  app.add_option("--event", eventTexts,
                 "An event TYPE=TEXT (TYPE 0 to 65535: 0, 1, 4 information, 2, 5 warning, 3, 6 error) that "
                 "every host gets when it connects, after the configuration and settings (repeatable)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << "zq-sonar-sim: " << error.what() << " (see --help)\n";
    return 2;
  }

  if (!headTexts.empty()) config.heads.clear();
  for (const std::string& text : headTexts) {
    const auto head = ParseZqHead(text);
    if (!head) {
      std::cerr << "zq-sonar-sim: --head \"" << text
                << "\": expected ENUM=ID with ENUM 0 to 65535 and ID 1 to 4294967295\n";
      return 2;
    }
    config.heads.push_back(*head);
  }
  // The faults every head starts with, checked against the model before the sonar starts.
  SimFaults faults;
  for (const std::string& text : boardErrors) {
    const auto equals = text.find('=');
    unsigned flags = 0;
    if (equals != std::string::npos) {
      const char* first = text.data() + equals + 1;
      const char* last = text.data() + text.size();
      const auto [end, problem] = std::from_chars(first, last, flags);
      if (problem != std::errc() || end != last) flags = 0;
    }
    if (equals == 0 || flags == 0 || flags > 7) {
      std::cerr << "zq-sonar-sim: --board-error \"" << text << "\": expected BOARD=FLAGS with FLAGS 1 to 7\n";
      return 2;
    }
    faults.boards[text.substr(0, equals)] = flags;
  }
  faults.fieldsOutOfLimits = fieldsOutOfLimits;
  faults.silent = silent;
  const std::optional<SimModel> model = SimModel::ByName(config.model);
  if (const auto unknown = model ? FindUnknownFaultName(*model, faults) : std::nullopt) {
    const bool board = unknown->entry.rfind("boards.", 0) == 0;
    std::cerr << "zq-sonar-sim: " << (board ? "--board-error: " : "--field-out-of-limits: ")
              << unknown->problem << '\n';
    return 2;
  }
  for (const std::string& text : eventTexts) {
    std::string problem;
    const auto event = ParseEventOption(text, problem);
    if (!event) {
      std::cerr << "zq-sonar-sim: --event \"" << text << "\": " << problem << '\n';
      return 2;
    }
    faults.events.push_back(*event);
  }
  config.prepareHead = [&faults](std::size_t /*index*/, SimHead& head) { SwitchOnAtStart(head, faults); };
  if (!pingLogPath.empty()) {
    std::string error;
    config.pingLog = PingLog::Open(pingLogPath, error);
    if (!config.pingLog) {
      std::cerr << "zq-sonar-sim: --ping-log: " << error << '\n';
      return 2;
    }
  }

  // Interrupts are waited for below rather than handled asynchronously.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  SimServer server(config);
  std::string error;
  if (!server.Start(error)) {
    std::cerr << "zq-sonar-sim: " << error << '\n';
    return 2;
  }
  std::cout << "zq-sonar-sim: " << config.model << " sonar listening on " << server.Address() << std::endl;
  std::cout << "zq-sonar-sim: recording into " << server.RecordFolder() << std::endl;

  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.Stop();
  std::cout << "zq-sonar-sim: stopped" << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return Main(argc, argv);
}
