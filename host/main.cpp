// tavrin-host: the survey host program. Without a subcommand it runs the host: the plug-in, the sonars
// of its configuration (or the embedded default) and the JSON API. `apply` is the dry run of one control
// device.
#include <CLI/CLI.hpp>
#include <iostream>

#include "host/ApplyCommand.h"
#include "host/PluginLoader.h"
#include "host/RunHost.h"

namespace {

int Main(int argc, char** argv) {
  CLI::App app{"tavrin-host: runs the sonar configuration plug-in on Linux"};
  app.require_subcommand(0, 1);

  RunHostOptions host;
  std::string stateFolder;
  std::string plugin;
  app.add_option("--config", host.configFile,
                 "Host configuration (JSON): vessels, devices, sonar links or simulated sonars; default: the "
                 "embedded default, two simulated sonars");
  app.add_option("--http", host.http, "ADDRESS:PORT of the JSON API (default 127.0.0.1:8080; port 0: any)");
  app.add_option(
      "--token", host.token,
      "Token every API call must carry (Authorization: Bearer TOKEN); needed for a non-loopback --http");
  app.add_option("--state", stateFolder,
                 "Folder where device attributes are stored (default " + DefaultStateFolder().string() + ")");
  app.add_option("--capture", host.capturePath, "Append every record sent and received to FILE (see zqdump)");
  app.add_option("--ping-log", host.pingLogPath, "Simulated sonars append one JSON line per ping to FILE");
  app.add_option("--ping-rate-seconds", host.pingRateSeconds,
                 "Print the pings per second of each sonar group every N seconds; 0: never (default 5)")
      ->check(CLI::Range(0.0, 86400.0));
  app.add_option("--plugin", plugin,
                 "The plug-in library (default: " + PluginLoader::DefaultPath().string() + ")");

  ApplyOptions options;
  std::vector<std::string> headTexts;
  CLI::App* apply = app.add_subcommand(
      "apply",
      "Dry run: build one control device from an attribute map, run one request pass and print the records "
      "it sends and its resulting attributes as JSON");
  apply
      ->add_option("--attributes", options.attributesFile,
                   "Attribute map (JSON) of the device, with any \"Request\"")
      ->required();
  apply->add_option("--device-enum", options.deviceEnum, "The device's own Zq device enum (default 0)")
      ->check(CLI::Range(0, 65535));
  apply->add_option("--head", headTexts,
                    "A head the sonar socket knows, ENUM=ID (repeatable; default 0=7000)");
  apply->add_flag("--no-socket", options.noSocket,
                  "Attach a port that is no sonar socket: nothing can be sent");
  apply->add_flag("--host-logging", options.hostLogging,
                  "The host is logging: the device hears that logging started before the pass");
  apply->add_flag("--decode", options.decode, "Print each record sent decoded on one line instead of JSON");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    std::cout << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << "tavrin-host: " << error.what() << " (see --help)\n";
    return 2;
  }

  if (!app.got_subcommand(apply)) {
    host.stateFolder = stateFolder;
    host.plugin = plugin;
    return RunHost(host, std::cout, std::cerr);
  }

  for (const std::string& text : headTexts) {
    const auto head = ParseZqHead(text);
    if (!head) {
      std::cerr << "tavrin-host apply: --head \"" << text
                << "\": expected ENUM=ID with ENUM 0 to 65535 and ID 1 to 4294967295\n";
      return 2;
    }
    options.heads.push_back(*head);
  }
  options.plugin = plugin;
  return RunApply(options, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& error) {
    // Only running out of memory gets here.
    std::cerr << "tavrin-host: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "tavrin-host: unexpected failure\n";
  }
  return 1;
}
