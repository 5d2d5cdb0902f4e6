// tavrin-host as a process: it loads the plug-in, serves the API on the embedded default, and stops
// cleanly on SIGTERM with every device's attributes stored; a plug-in it cannot use is named.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// Starts the host with its output on a pipe; reads until `marker` shows or the pipe ends.
struct HostProcess {
  pid_t pid = -1;
  int output = -1;

  bool Start(const std::string& arguments) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return false;
    pid = ::fork();
    if (pid == 0) {
      ::dup2(pipeEnds[1], 1);
      ::dup2(pipeEnds[1], 2);
      ::close(pipeEnds[0]);
      ::execl("/bin/sh", "sh", "-c", (std::string("exec ") + TAVRIN_HOST_BINARY + " " + arguments).c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(pipeEnds[1]);
    output = pipeEnds[0];
    return pid > 0;
  }
  std::string ReadUntil(const std::string& marker) {
    std::string text;
    char buffer[512];
    while (text.find(marker) == std::string::npos) {
      const ssize_t n = ::read(output, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }
  int Wait() {
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(output);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST(HostProgramTest, ServesTheEmbeddedDefaultAndStopsCleanlyOnSigterm) {
  const auto state = std::filesystem::temp_directory_path() / ("host-program-" + std::to_string(::getpid()));
  std::filesystem::remove_all(state);
  HostProcess host;
  ASSERT_TRUE(host.Start("--http 127.0.0.1:0 --state " + state.string()));
  const std::string started = host.ReadUntil("follow the event stream");
  EXPECT_NE(started.find("Shallow sonar: simulated sonar at 127.0.0.1:"), std::string::npos) << started;
  EXPECT_NE(started.find("/api/devices/1.78.1.1/attributes"), std::string::npos) << started;

  ::kill(host.pid, SIGTERM);
  const std::string stopping = host.ReadUntil("tavrin-host: stopped");
  EXPECT_NE(stopping.find("tavrin-host: stopped"), std::string::npos) << stopping;
  EXPECT_EQ(host.Wait(), 0);
  EXPECT_TRUE(std::filesystem::exists(state / "1.78.1.1.json"));
  EXPECT_TRUE(std::filesystem::exists(state / "2.78.1.1.json"));
  std::filesystem::remove_all(state);
}

TEST(HostProgramTest, APluginItCannotUseIsNamedWithExitCode2) {
  HostProcess host;
  ASSERT_TRUE(host.Start("--http 127.0.0.1:0 --plugin /no/such/plugin.so"));
  const std::string output = host.ReadUntil("\n");
  EXPECT_EQ(host.Wait(), 2);
  EXPECT_NE(output.find("cannot load plug-in /no/such/plugin.so"), std::string::npos) << output;
}

}  // namespace
