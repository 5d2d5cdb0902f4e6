// The zqdump program on capture files written here byte by byte: its lines, its JSON lines, following a
// growing file, and its answers to a missing, cut-off or damaged file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "tests/link/Waiting.h"
#include "tests/tools/HexBytes.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A 7611 absorption record (f32 40) to identifier 7000, device enum 1, as hex.
constexpr const char* kAbsorptionHex =
    "05003c00 ffff0000 48000000 0000000000000000 e807 7f00 00001841 07 08 0100 bb1d0000 581b0000 "
    "0000 0100 00000000 0100 0000000000000000000000000000 00002042 00000000";

// The absorption record sent on link 0 at 2024-05-06T07:08:09.123456789Z, then ten zero bytes received
// on link 2 at the epoch. The second entry starts at offset 88, what follows at 114.
const std::string kCapture = HexBytes("15075bbd93d4cc17 00 00 0000 48000000") + HexBytes(kAbsorptionHex) +
                             HexBytes("0000000000000000 01 00 0200 0a000000 00000000000000000000");

const std::string kFirstLine =
    "2024-05-06T07:08:09.123Z sent link 0: type 7611 (absorption) to enum 1 id 7000, 72 bytes: f32 40\n";
const std::string kSecondLine = "1970-01-01T00:00:00.000Z received link 2: short record of 10 bytes\n";

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class ZqDump : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("zqdump-test-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& bytes, bool append = false) {
    const fs::path path = folder_ / name;
    std::ofstream(path, append ? std::ios::binary | std::ios::app : std::ios::binary) << bytes;
    return path.string();
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  Outcome Run(const std::string& arguments) {
    const std::string command = std::string(ZQDUMP_BINARY) + " " + arguments + " >" +
                                (folder_ / "out").string() + " 2>" + (folder_ / "err").string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("out"), Read("err")};
  }

  fs::path folder_;
};

TEST_F(ZqDump, PrintsOneLineOrOneJsonObjectPerEntry) {
  const std::string path = Write("links.zqcap", kCapture);
  const Outcome text = Run(path);
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out, kFirstLine + kSecondLine);
  EXPECT_EQ(text.err, "");

  const Outcome json = Run("--json " + path);
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const auto secondLine = json.out.find('\n') + 1;
  std::string hex = kAbsorptionHex;
  std::erase(hex, ' ');
  EXPECT_EQ(nlohmann::json::parse(json.out.substr(0, secondLine)),
            nlohmann::json({{"time", 1714979289123456789U},
                            {"direction", "sent"},
                            {"link", 0},
                            {"type", 7611},
                            {"size", 72},
                            {"text", "type 7611 (absorption) to enum 1 id 7000, 72 bytes: f32 40"},
                            {"hex", hex}}));
  EXPECT_EQ(json.out.substr(secondLine), R"({"time":0,"direction":"received","link":2,"type":null,"size":10,)"
                                         R"("text":"short record of 10 bytes","hex":"00000000000000000000"})"
                                         "\n");
}

TEST_F(ZqDump, RefusesMissingCutOffAndDamagedFilesWithExitCode2) {
  const std::string missing = (folder_ / "missing.zqcap").string();
  const Outcome none = Run(missing);
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_EQ(none.err, "zqdump: cannot open \"" + missing + "\": No such file or directory\n");

  // What comes before the problem is printed all the same.
  const std::string cutOff = Write("cut.zqcap", kCapture.substr(0, kCapture.size() - 1));
  const Outcome cut = Run(cutOff);
  EXPECT_EQ(cut.exitCode, 2);
  EXPECT_EQ(cut.out, kFirstLine);
  EXPECT_EQ(cut.err,
            "zqdump: \"" + cutOff + "\": entry at offset 88: the file ends after 9 of its 10 record bytes\n");

  const std::string damagedPath =
      Write("damaged.zqcap", kCapture + HexBytes("0000000000000000 00 00 0000 ffffffff"));
  for (const char* option : {"", "--follow "}) {
    const Outcome damaged = Run(option + damagedPath);
    EXPECT_EQ(damaged.exitCode, 2) << option;
    EXPECT_EQ(damaged.out, kFirstLine + kSecondLine);
    EXPECT_EQ(damaged.err,
              "zqdump: \"" + damagedPath +
                  "\": entry at offset 114: record length 4294967295 is over the limit of 16 MiB\n");
  }

  EXPECT_EQ(Run("").exitCode, 2);
  EXPECT_EQ(Run("--bogus " + damagedPath).exitCode, 2);
  const Outcome help = Run("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--follow"), std::string::npos);
  EXPECT_NE(help.out.find("--json"), std::string::npos);
}

TEST_F(ZqDump, FollowsAGrowingFileUntilTerminated) {
  const std::string path = Write("growing.zqcap", "");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (folder_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, (folder_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::string binary = ZQDUMP_BINARY;
  std::string follow = "--follow";
  std::string file = path;
  char* argv[] = {binary.data(), follow.data(), file.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // An entry that arrives in two writes is printed once it is whole.
  Write("growing.zqcap", kCapture.substr(0, 50), true);
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(Read("out"), "");
  Write("growing.zqcap", kCapture.substr(50), true);
  EXPECT_TRUE(WaitFor([&] { return Read("out") == kFirstLine + kSecondLine; }));

  ::kill(pid, SIGTERM);
  int status = 0;
  EXPECT_TRUE(WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Read("err"), "");
}

}  // namespace
