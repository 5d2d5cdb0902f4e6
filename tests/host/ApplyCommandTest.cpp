// The dry run `tavrin-host apply`: its JSON output, its options, and its answers to bad input.
#include "ApplyCommand.h"

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
    folder_ = fs::temp_directory_path() / ("apply-test-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = folder_ / name;
    std::ofstream(path) << text;
    return path.string();
  }

  // Runs the dry run in-process; returns the exit code.
  int Run(ApplyOptions options) {
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

// Bytes of the hex text at byte offset `at`, `count` bytes long, as hex.
std::string HexBytes(const std::string& hex, std::size_t at, std::size_t count) {
  return hex.substr(at * 2, count * 2);
}

TEST_F(ApplyCommand, PrintsTheRecordsSentAndTheFinalAttributes) {
  ApplyOptions options;
  options.attributesFile = Write("range.json", kRangeRequest);
  ASSERT_EQ(Run(options), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");

  const json output = json::parse(out_.str());
  ASSERT_EQ(output.at("records").size(), 1U);
  const std::string record = output["records"][0];
  ASSERT_EQ(record.size(), 96U * 2);
  EXPECT_EQ(HexBytes(record, 0, 12), "05003c00ffff000060000000");
  EXPECT_EQ(HexBytes(record, 32, 12), "4c1d0000581b000000000000");  // 7500 to head 0, identifier 7000
  EXPECT_EQ(HexBytes(record, 64, 8), "eb030000eb030000");           // 1003, ticket 1003
  EXPECT_EQ(HexBytes(record, 88, 8), "00007a4300000000");           // f32 250, trailing bytes

  const json expectedAttributes =
      json::parse(R"([{"ZqRange": {"double": 250.0}}, {"Request": {"map": []}}])");
  EXPECT_EQ(output.at("attributes"), expectedAttributes);
}

TEST_F(ApplyCommand, AddressesTheDeviceEnumThroughTheGivenHeads) {
  ApplyOptions options;
  options.attributesFile = Write("range.json", kRangeRequest);
  options.deviceEnum = 1;
  options.heads = {{0, 7000}, {1, 7001}};
  ASSERT_EQ(Run(options), 0) << err_.str();
  const std::string record = json::parse(out_.str())["records"][0];
  EXPECT_EQ(HexBytes(record, 36, 8), "591b000000000100");  // identifier 7001, zero, device enum 1
}

TEST_F(ApplyCommand, WithoutSonarSocketOrKnownHeadNothingIsSentButTheValueIsStored) {
  ApplyOptions noSocket;
  noSocket.attributesFile = Write("range.json", kRangeRequest);
  noSocket.noSocket = true;
  ApplyOptions unknownHead;
  unknownHead.attributesFile = noSocket.attributesFile;
  unknownHead.deviceEnum = 3;

  for (const ApplyOptions& options : {noSocket, unknownHead}) {
    ASSERT_EQ(Run(options), 0) << err_.str();
    const json output = json::parse(out_.str());
    EXPECT_TRUE(output.at("records").empty());
    EXPECT_EQ(output.at("attributes")[0], json::parse(R"({"ZqRange": {"double": 250.0}})"));
  }
}

TEST_F(ApplyCommand, DecodedOutputIsOneLineARecord) {
  ApplyOptions options;
  options.attributesFile = Write(
      "two.json", R"({"Request": {"map": {"ZqPower": {"double": 220.0}, "ZqPingOnOffState": {"int": 0}}}})");
  options.decode = true;
  ASSERT_EQ(Run(options), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "type 7500 remote control 1005 (power) to enum 0 id 7000, 96 bytes: f32 220\n"
            "type 7500 remote control 1101 (ping off) to enum 0 id 7000, 92 bytes: no payload\n");
}

// `levels` child maps each inside the one before: {"a": {"map": {"a": {"map": ... []}}}}.
std::string NestedMaps(int levels) {
  std::string text;
  for (int i = 0; i < levels; ++i) text += R"({"a": {"map": )";
  text += "[]";
  for (int i = 0; i < levels; ++i) text += "}}";
  return text;
}

TEST_F(ApplyCommand, BadInputGetsOneLineNamingTheProblemAndExitCode2) {
  struct Case {
    const char* file;
    std::string text;
    const char* expectedInMessage;
  };
  const Case cases[] = {
      {"malformed.json", "[{\"ZqRange\": {\"double\": 1.0}", "line 1, column 29"},
      {"type.json", R"([{"Request": {"map": [{"ZqRange": {"float": 2.0}}]}}])", "$[0].Request[0].ZqRange"},
      {"type2.json", R"([{"Request": {"map": [{"ZqRange": {"float": 2.0}}]}}])",
       "unknown value type \"float\""},
      {"shape.json", R"([{"ZqRange": {"double": 1.0}, "ZqPower": {"double": 2.0}}])", "$[0]"},
      {"scalar.json", "42", "$:"},
      {"huge.json", R"([{"ZqRange": {"double": 1e999}}])", "number overflow"},
      {"deep.json", NestedMaps(100), "nested deeper than 64"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ApplyOptions options;
    options.attributesFile = Write(c.file, c.text);
    EXPECT_EQ(Run(options), 2);
    const std::string message = err_.str();
    EXPECT_NE(message.find(c.expectedInMessage), std::string::npos) << message;
    EXPECT_NE(message.find(c.file), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
    EXPECT_EQ(out_.str(), "");
  }

  ApplyOptions missing;
  missing.attributesFile = (folder_ / "absent.json").string();
  EXPECT_EQ(Run(missing), 2);
  EXPECT_NE(err_.str().find("absent.json: cannot open"), std::string::npos) << err_.str();
}

TEST(HeadOption, ParsesEnumEqualsIdAndRefusesEverythingElse) {
  const auto head = ParseHeadOption("1=7001");
  ASSERT_TRUE(head.has_value());
  EXPECT_EQ(head->deviceEnum, 1);
  EXPECT_EQ(head->deviceId, 7001U);
  EXPECT_TRUE(ParseHeadOption("65535=4294967295").has_value());

  for (const char* bad : {"", "=", "1", "1=", "=7000", "x=7000", "1=7000x", "-1=7000", "65536=7000", "1=0",
                          "1=4294967296", "1=7000=2", " 1=7000"}) {
    EXPECT_FALSE(ParseHeadOption(bad).has_value()) << '"' << bad << '"';
  }
}

// The program itself: exit codes and messages of its command line.
struct ProgramResult {
  int exitCode = -1;
  std::string output;
};

ProgramResult RunProgram(const std::string& arguments) {
  const std::string command = std::string(TAVRIN_HOST_BINARY) + " " + arguments + " 2>&1";
  ProgramResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) result.output += buffer;
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(TavrinHostProgram, RefusesBadCommandLinesWithExitCode2) {
  const std::string example = std::string(KAVO_EXAMPLES_DIR) + "/range-and-power.json";
  for (const std::string& arguments :
       {std::string("apply"), "apply --attributes " + example + " --head 0-7000",
        "apply --attributes " + example + " --device-enum 70000",
        "apply --attributes " + example + " --bogus", std::string("")}) {
    SCOPED_TRACE(arguments);
    const ProgramResult result = RunProgram(arguments);
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_FALSE(result.output.empty());
  }
}

TEST(TavrinHostProgram, RunsTheExampleAndDocumentsItsOptions) {
  const ProgramResult run =
      RunProgram("apply --attributes " + std::string(KAVO_EXAMPLES_DIR) + "/range-and-power.json");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(json::parse(run.output).at("records").size(), 6U);

  const ProgramResult help = RunProgram("apply --help");
  EXPECT_EQ(help.exitCode, 0);
  for (const char* option : {"--attributes", "--device-enum", "--head", "--no-socket", "--decode"}) {
    EXPECT_NE(help.output.find(option), std::string::npos) << option;
  }
}

}  // namespace
