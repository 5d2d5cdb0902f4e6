// zq-sonar-sim: a simulated Zq processing unit on a TCP port, for the host to connect to.
#include <CLI/CLI.hpp>
#include <charconv>
#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "sim/PingLog.h"
#include "sim/SimHead.h"
#include "sim/SimServer.h"

namespace {

// A fault switched on from the command line: "BOARD=FLAGS" or "BOARD/FIELD".
struct BoardError {
  std::string board;
  unsigned flags = 0;
};

int Main(int argc, char** argv) {
  CLI::App app{"zq-sonar-sim: a simulated Zq sonar processing unit that the host connects to over TCP"};
  SimServerConfig config;
  config.listen = "127.0.0.1:7000";
  std::vector<std::string> headTexts;
  std::string pingLogPath;
  std::vector<std::string> boardErrors;
  std::vector<std::string> fieldsOutOfLimits;
  bool silent = false;

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
  std::vector<BoardError> errors;
  for (const std::string& text : boardErrors) {
    const auto equals = text.find('=');
    BoardError fault{text.substr(0, equals), 0};
    if (equals != std::string::npos) {
      const char* first = text.data() + equals + 1;
      const char* last = text.data() + text.size();
      const auto [end, problem] = std::from_chars(first, last, fault.flags);
      if (problem != std::errc() || end != last) fault.flags = 0;
    }
    if (fault.board.empty() || fault.flags == 0 || fault.flags > 7) {
      std::cerr << "zq-sonar-sim: --board-error \"" << text << "\": expected BOARD=FLAGS with FLAGS 1 to 7\n";
      return 2;
    }
    errors.push_back(fault);
  }
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
  for (std::size_t i = 0; i < config.heads.size(); ++i) {
    bool known = true;
    server.WithHead(i, [&](SimHead& head, std::vector<std::string>&) {
      for (const BoardError& fault : errors) known = head.SetBoardError(fault.board, fault.flags) && known;
      for (const std::string& field : fieldsOutOfLimits) {
        const auto slash = field.find('/');
        known = slash != std::string::npos &&
                head.SetFieldOutOfLimits(field.substr(0, slash), field.substr(slash + 1), true) && known;
      }
      head.SetSilent(silent);
    });
    if (!known) {
      std::cerr << "zq-sonar-sim: a --board-error or --field-out-of-limits names no board or field of the "
                << config.model << " model\n";
      return 2;
    }
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
