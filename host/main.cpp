// tavrin-host: the survey host program. For now it offers the dry run of a control device.
#include <CLI/CLI.hpp>
#include <iostream>

#include "ApplyCommand.h"

namespace {

int Main(int argc, char** argv) {
  CLI::App app{"tavrin-host: runs the sonar configuration plug-in on Linux"};
  app.require_subcommand(1);

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

  for (const std::string& text : headTexts) {
    const auto head = ParseZqHead(text);
    if (!head) {
      std::cerr << "tavrin-host apply: --head \"" << text
                << "\": expected ENUM=ID with ENUM 0 to 65535 and ID 1 to 4294967295\n";
      return 2;
    }
    options.heads.push_back(*head);
  }
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
