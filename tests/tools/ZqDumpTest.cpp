// The zqdump program on capture files written here byte by byte: its lines, its JSON lines, following a
// growing file, and its answers to a missing, cut-off or damaged file.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "tests/link/Waiting.h"
#include "tests/tools/HexBytes.h"
#include "tests/tools/ScratchFolder.h"

namespace {

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
  std::string Write(const std::string& name, const std::string& bytes, bool append = false) {
    const auto path = folder_ / name;
    std::ofstream(path, append ? std::ios::binary | std::ios::app : std::ios::binary) << bytes;
    return path.string();
  }
  std::string Read(const std::string& name) const { return ReadText(folder_ / name); }
  // zqdump with arguments, what it prints going to the files "out" and "err".
  std::string Command(const std::string& arguments) const {
    return std::string(ZQDUMP_BINARY) + " " + arguments + " >" + (folder_ / "out").string() + " 2>" +
           (folder_ / "err").string();
  }
  Outcome Run(const std::string& arguments) {
    const int status = std::system(Command(arguments).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("out"), Read("err")};
  }

  ScratchFolder folder_{"zqdump-test"};
};

TEST_F(ZqDump, PrintsALineOrAJsonObjectPerEntryAndRefusesWhatItCannotReadWithExitCode2) {
  const std::string path = Write("links.zqcap", kCapture);
  const std::string missing = (folder_ / "missing.zqcap").string();
  const std::string cut = Write("cut.zqcap", kCapture.substr(0, kCapture.size() - 1));
  const std::string damaged =
      Write("damaged.zqcap", kCapture + HexBytes("0000000000000000 00 00 0000 ffffffff"));
  const std::string damage =
      "\": entry at offset 114: record length 4294967295 is over the limit of 16 MiB\n";
  const struct {
    std::string arguments;
    int exitCode;
    std::string out, err;
  } cases[] = {
      {path, 0, kFirstLine + kSecondLine, ""},
      {"--json " + path, 0,
       R"({"time":1714979289123456789,"direction":"sent","link":0,"type":7611,"size":72,)"
       R"("text":"type 7611 (absorption) to enum 1 id 7000, 72 bytes: f32 40","hex":")" +
           Fields(kAbsorptionHex) + "\"}\n" +
           R"({"time":0,"direction":"received","link":2,"type":null,"size":10,)"
           R"("text":"short record of 10 bytes","hex":"00000000000000000000"})"
           "\n",
       ""},
      {missing, 2, "", "zqdump: cannot open \"" + missing + "\": No such file or directory\n"},
      // What comes before the problem is printed all the same.
      {cut, 2, kFirstLine,
       "zqdump: \"" + cut + "\": entry at offset 88: the file ends after 9 of its 10 record bytes\n"},
      {damaged, 2, kFirstLine + kSecondLine, "zqdump: \"" + damaged + damage},
      {"--follow " + damaged, 2, kFirstLine + kSecondLine, "zqdump: \"" + damaged + damage},
      {"", 2, "", "zqdump: FILE is required (see --help)\n"},
      {"--bogus " + path, 2, "", "zqdump: The following argument was not expected: --bogus (see --help)\n"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments;
    EXPECT_EQ(outcome.out, c.out) << c.arguments;
    EXPECT_EQ(outcome.err, c.err) << c.arguments;
  }
  const Outcome help = Run("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--follow"), std::string::npos);
  EXPECT_NE(help.out.find("--json"), std::string::npos);
}

TEST_F(ZqDump, FollowsAGrowingFileUntilTerminated) {
  const std::string path = Write("growing.zqcap", "");
  const std::string command = "exec " + Command("--follow " + path);
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);

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
