// The dry run `tavrin-host apply` (the records the plug-in's control device sends, its options, its answers
// to bad input, a plug-in it cannot load among them), and the plug-in loader on libraries it cannot use.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "host/PluginLoader.h"
#include "platform/tavrin/VersionControl.h"
#include "platform/zq/ZqHead.h"
#include "tests/tools/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

// Runs the program with arguments; gives its exit code and everything it printed.
std::pair<int, std::string> RunProgram(const std::string& arguments) {
  FILE* pipe = ::popen((std::string(TAVRIN_HOST_BINARY) + " " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string output;
  char buffer[4096];
  while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) output += buffer;
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(TavrinHostApply, PrintsWhatThePluginsDeviceSentAndGivesOneLineAndExitCode2ForBadInput) {
  const ScratchFolder folder("apply-test");
  const std::string in = (folder / "in.json").string(), apply = "apply --attributes " + in;
  const std::string range =
      R"([{"ZqRange": {"double": 100.0}}, {"Request": {"map": [{"ZqRange": {"double": 250.0}}]}}])";
  // Remote control 1003, range 250 m, to identifier 7001 under enum 1, from the process's first device.
  const std::string record =
      std::string("05003c00ffff0000600000000000000000000000") +  // version 5, offset 60, sync, 96 bytes
      std::string(20, '.') +                                     // time stamp
      "01004c1d0000591b000000000100000000000100" +  // record version 1, type 7500, id 7001, enum 1, flags 1
      std::string(28, '0') +
      "eb030000eb03000001000000000000000000000000000000" +  // 1003, ticket, tracking number 1, zeros
      "00007a4300000000";                                   // f32 250, trailer
  const struct {
    std::string file;  // the attribute file's text; empty: there is none
    std::string arguments;
    int exitCode;
    std::string output;  // the whole output; or, ending in "...", a part of its one line
  } cases[] = {
      {range, apply + " --device-enum 1 --head 0=7000 --head 1=7001", 0,
       R"({"records": [")" + record +
           R"("], "attributes": [{"ZqRange":{"double":250.0}},{"Request":{"map":[]}}]})"
           "\n"},
      {range, apply + " --device-enum 1 --head 0=7000 --head 1=7001 --decode", 0,
       "type 7500 remote control 1003 (range) to enum 1 id 7001, 96 bytes: f32 250\n"},
      {range, apply + " --no-socket", 0, R"({"records": [], "attributes": ...)"},
      {range, "--plugin /nonexistent/lib.so " + apply, 2,
       "tavrin-host apply: cannot load plug-in /nonexistent/lib.so: cannot open shared object file: No such "
       "file or directory\n"},
      {range, apply + " --head 0-7000", 2, "tavrin-host apply: --head \"0-7000\": expected ENUM=ID with ..."},
      {range, apply + " --device-enum 70000", 2, "tavrin-host: --device-enum: Value 70000 not in range..."},
      {range, "apply", 2, "tavrin-host: --attributes is required (see --help)\n"},
      {"", apply, 2, "tavrin-host apply: " + in + ": cannot open..."},
      {"", "apply --attributes " + folder.path.string(), 2, folder.path.string() + ": is a folder..."},
      {"[{\"ZqRange\": {\"double\": 1.0}", apply, 2,
       in + ": malformed JSON: parse error at line 1, column 29..."},
      {R"([{"Request": {"map": [{"ZqRange": {"float": 2.0}}]}}])", apply, 2,
       in + R"(: $[0].Request[0].ZqRange: unknown value type "float"...)"},
  };
  for (const auto& [file, arguments, exitCode, expected] : cases) {
    SCOPED_TRACE(arguments + " with " + file.substr(0, 60));
    fs::remove(in);
    if (!file.empty()) std::ofstream(in) << file;
    const auto [code, output] = RunProgram(arguments);
    EXPECT_EQ(code, exitCode);
    if (expected.ends_with("...")) {
      EXPECT_NE(output.find(expected.substr(0, expected.size() - 3)), std::string::npos) << output;
      EXPECT_EQ(output.find('\n'), output.size() - 1) << "one line: " << output;
    } else {
      // Each record's time stamp (bytes 20 to 29) blanked: all else is fixed.
      const std::regex timeStamp(R"(("05003c00ffff[0-9a-f]{28})[0-9a-f]{20})");
      EXPECT_EQ(std::regex_replace(output, timeStamp, "$1" + std::string(20, '.')), expected);
    }
  }
}

TEST(TavrinHostApply, EveryRequestGoesOutInDispatchOrder) {
  const auto [exitCode, output] =
      RunProgram("apply --attributes " + std::string(KAVO_EXAMPLES_DIR) +
                 "/every-request.json --head 0=7000 --head 1=7001 --host-logging --decode");
  ASSERT_EQ(exitCode, 0) << output;
  // Remote-control IDs, and record types for the records that are no remote control ("r..."), in the
  // order of the steps of one pass: 1100 after 1011 goes to the new projector, head 1.
  std::string sent;
  std::istringstream lines(output);
  const std::regex step(R"(type (7500 remote control )?(\d+) .* to enum (\d+) )");
  for (std::string line; std::getline(lines, line);) {
    std::smatch words;
    ASSERT_TRUE(std::regex_search(line, words, step)) << line;
    sent += (words[1].matched ? "" : "r") + words[2].str() + (words[3] == "1" ? "@1 " : " ");
  }
  EXPECT_EQ(
      sent,
      "1002 r7611 r7612 1003 1004 1005 1006 1008 1021 1100 1201 1200 1101 1011 1100@1 7610 1039 1035 1036 "
      "1038 1007 1050 1010 1016 1009 1014 1209 1207 1033 1037 1102 1050 1500 1500 1017 1022 1026 1116 1115 "
      "1114 1027 r1020 ");
}

TEST(ZqHeadTest, ParsesEnumEqualsIdAndRefusesEverythingElse) {
  const auto head = ParseZqHead("65535=4294967295");
  EXPECT_TRUE(head && head->deviceEnum == 65535 && head->deviceId == 4294967295U);
  for (const char* bad :
       {"", "1", "=7000", "x=7000", "1=7000x", "-1=7000", "65536=7000", "1=0", "1=4294967296"})
    EXPECT_FALSE(ParseZqHead(bad)) << '"' << bad << '"';
}

TEST(PluginLoader, LoadsThePluginOrNamesTheFileAndWhyNotAndUnloadsItWhole) {
  const struct {
    fs::path path;
    unsigned long hostVersion;
    const char* reason;  // null: it loads
  } cases[] = {
      {KAVO_PLUGIN_FILE, kTavrinHostVersion, nullptr},
      {KAVO_PLUGIN_FILE, kTavrinHostVersion + 1, " refused to load (host version check failed)"},
      {TAVRIN_PLATFORM_FILE, kTavrinHostVersion, "has no entry point: undefined symbol: DllMain"},
  };
  for (const auto& [path, hostVersion, reason] : cases) {
    SCOPED_TRACE(path);
    SetHostVersion(hostVersion);
    PluginLoader loader;
    std::string problem;
    EXPECT_EQ(loader.Load(path, problem), reason == nullptr) << problem;
    const PluginExports exports = loader.Exports();
    loader.Unload();
    SetHostVersion(kTavrinHostVersion);
    if (reason == nullptr) {
      EXPECT_TRUE(exports.registerDevices && exports.unRegisterDevices && exports.deviceCtrlInit &&
                  exports.initializeTemplates);
    } else {
      EXPECT_NE(problem.find(path.string()), std::string::npos) << problem;
      EXPECT_NE(problem.find(reason), std::string::npos) << problem;
    }
    void* stillLoaded = dlopen(KAVO_PLUGIN_FILE, RTLD_NOW | RTLD_NOLOAD);  // null once unloaded
    EXPECT_EQ(stillLoaded, nullptr);
    if (stillLoaded != nullptr) dlclose(stillLoaded);
  }
}

}  // namespace
