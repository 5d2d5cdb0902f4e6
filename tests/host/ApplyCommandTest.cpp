// The dry run `tavrin-host apply`: its JSON output, its options, and its answers to bad input.
#include "host/ApplyCommand.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class ApplyCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("apply-test-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = folder_ / name;
    std::ofstream(path) << text;
    return path.string();
  }

  int Run(const ApplyOptions& options) {
    out_.str("");
    err_.str("");
    return RunApply(options, out_, err_);
  }

  fs::path folder_;
  std::ostringstream out_;
  std::ostringstream err_;
};

constexpr const char* kRangeRequest =
    R"([{"ZqRange": {"double": 100.0}}, {"Request": {"map": [{"ZqRange": {"double": 250.0}}]}}])";

TEST_F(ApplyCommand, PrintsTheRecordsSentToTheGivenHeadAndTheFinalAttributes) {
  ApplyOptions options;
  options.attributesFile = Write("range.json", kRangeRequest);
  options.deviceEnum = 1;
  options.heads = {{0, 7000}, {1, 7001}};
  ASSERT_EQ(Run(options), 0) << err_.str();

  const json output = json::parse(out_.str());
  ASSERT_EQ(output.at("records").size(), 1U);
  const std::string record = output["records"][0];
  ASSERT_EQ(record.size(), 96U * 2);
  EXPECT_EQ(record.substr(0, 24), "05003c00ffff000060000000");
  EXPECT_EQ(record.substr(64, 24), "4c1d0000591b000000000100");  // 7500 to identifier 7001, device enum 1
  EXPECT_EQ(record.substr(128, 16), "eb030000eb030000");         // remote control 1003, ticket 1003
  EXPECT_EQ(record.substr(176), "00007a4300000000");             // f32 250, trailing bytes
  EXPECT_EQ(output.at("attributes"),
            json::parse(R"([{"ZqRange": {"double": 250.0}}, {"Request": {"map": []}}])"));
}

// `levels` child maps each inside the one before: {"a": {"map": {"a": {"map": ... []}}}}.
std::string NestedMaps(int levels) {
  std::string text;
  for (int i = 0; i < levels; ++i) text += R"({"a": {"map": )";
  return text + "[]" + std::string(static_cast<std::size_t>(levels) * 2, '}');
}

TEST_F(ApplyCommand, BadInputGetsOneLineNamingTheProblemAndExitCode2) {
  const std::pair<std::string, std::string> cases[] = {
      {"[{\"ZqRange\": {\"double\": 1.0}", "line 1, column 29"},
      {R"([{"Request": {"map": [{"ZqRange": {"float": 2.0}}]}}])",
       R"($[0].Request[0].ZqRange: unknown value type "float")"},
      {R"([{"ZqRange": {"double": 1.0}, "ZqPower": {"double": 2.0}}])", "$[0]: an entry must be"},
      {"42", "$: an attribute map must be"},
      {R"([{"ZqRange": {"double": 1e999}}])", "number overflow"},
      {NestedMaps(100), "nested deeper than 64"},
  };
  for (const auto& [text, expectedInMessage] : cases) {
    SCOPED_TRACE(text.substr(0, 60));
    ApplyOptions options;
    options.attributesFile = Write("bad.json", text);
    EXPECT_EQ(Run(options), 2);
    const std::string message = err_.str();
    EXPECT_NE(message.find("bad.json: "), std::string::npos) << message;
    EXPECT_NE(message.find(expectedInMessage), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
    EXPECT_EQ(out_.str(), "");
  }
  ApplyOptions missing;
  missing.attributesFile = (folder_ / "absent.json").string();
  EXPECT_EQ(Run(missing), 2);
  EXPECT_NE(err_.str().find("absent.json: cannot open"), std::string::npos) << err_.str();
  missing.attributesFile = folder_.string();
  EXPECT_EQ(Run(missing), 2);
  EXPECT_NE(err_.str().find("is a folder"), std::string::npos) << err_.str();
}

TEST(ZqHeadTest, ParsesEnumEqualsIdAndRefusesEverythingElse) {
  const auto head = ParseZqHead("65535=4294967295");
  ASSERT_TRUE(head.has_value());
  EXPECT_EQ(head->deviceEnum, 65535);
  EXPECT_EQ(head->deviceId, 4294967295U);
  for (const char* bad :
       {"", "1", "=7000", "x=7000", "1=7000x", "-1=7000", "65536=7000", "1=0", "1=4294967296"}) {
    EXPECT_FALSE(ParseZqHead(bad).has_value()) << '"' << bad << '"';
  }
}

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

TEST(TavrinHostProgram, RunsTheExampleDocumentsItsOptionsAndRefusesBadCommandLines) {
  const std::string example = std::string(KAVO_EXAMPLES_DIR) + "/range-and-power.json";
  const auto [exitCode, output] = RunProgram("apply --attributes " + example);
  ASSERT_EQ(exitCode, 0) << output;
  EXPECT_EQ(json::parse(output).at("records").size(), 6U);
  EXPECT_TRUE(
      json::parse(RunProgram("apply --no-socket --attributes " + example).second).at("records").empty());

  const auto [helpCode, help] = RunProgram("apply --help");
  EXPECT_EQ(helpCode, 0);
  for (const char* option : {"--attributes", "--device-enum", "--head", "--no-socket", "--decode"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  for (const std::string& arguments :
       {std::string("apply"), "apply --attributes " + example + " --head 0-7000",
        "apply --attributes " + example + " --device-enum 70000",
        "apply --attributes " + example + " --bogus", std::string("--bogus"),
        std::string("--config /no/such/config.json"), "--config " + example}) {
    EXPECT_EQ(RunProgram(arguments).first, 2) << arguments;
  }
}

TEST(TavrinHostProgram, EveryRequestGoesOutInDispatchOrder) {
  const auto [exitCode, output] =
      RunProgram("apply --attributes " + std::string(KAVO_EXAMPLES_DIR) +
                 "/every-request.json --head 0=7000 --head 1=7001 --host-logging --decode");
  ASSERT_EQ(exitCode, 0) << output;
  // Remote-control IDs, and record types for the records that are no remote control ("r..."), in the
  // order of the steps of one pass: 1100 after 1011 goes to the new projector, head 1.
  std::string sent;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const bool remoteControl = line.rfind("type 7500 remote control ", 0) == 0;
    std::istringstream words(line.substr(remoteControl ? 25 : 5));
    std::string number;
    words >> number;
    sent += (remoteControl ? "" : "r") + number +
            (line.find("to enum 1 id 7001") != std::string::npos ? "@1 " : " ");
  }
  EXPECT_EQ(
      sent,
      "1002 r7611 r7612 1003 1004 1005 1006 1008 1021 1100 1201 1200 1101 1011 1100@1 7610 1039 1035 1036 "
      "1038 1007 1050 1010 1016 1009 1014 1209 1207 1033 1037 1102 1050 1500 1500 1017 1022 1026 1116 1115 "
      "1114 1027 r1020 ");
}

}  // namespace
