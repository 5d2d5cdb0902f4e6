// `tavrin-host` without a subcommand: loads the plug-in, starts the configured (or embedded) sonars
// and devices, serves the JSON API, and runs until SIGINT or SIGTERM.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

struct RunHostOptions {
  std::string configFile;             // empty: the embedded default
  std::string http;                   // empty: the configuration's, else 127.0.0.1:8080
  std::string token;                  // empty: the configuration's
  std::filesystem::path stateFolder;  // empty: DefaultStateFolder()
  std::string capturePath;
  std::string pingLogPath;
  double pingRateSeconds = 5.0;  // between reports of each sonar group's ping rate; 0: none
  std::filesystem::path plugin;  // empty: next to the host program
};

// $XDG_DATA_HOME/tavrin-host/state, or ~/.local/share/tavrin-host/state.
std::filesystem::path DefaultStateFolder();

// Runs the host. Returns the exit code: 0 after a clean stop, 2 after one line on err naming what is
// wrong with the command line, the configuration or the plug-in.
int RunHost(const RunHostOptions& options, std::ostream& out, std::ostream& err);
