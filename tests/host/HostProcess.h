// tavrin-host as a child process for tests: its output on a pipe, read until a marker shows; a
// client of the API whose address its welcome names.
#pragma once

#include "tests/host/HttpTestClient.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>

#include "tests/link/Waiting.h"

// Starts the host with its output on a pipe; reads until `marker` shows or the pipe ends. A host the
// test leaves running is killed.
struct HostProcess {
  pid_t pid = -1;
  int output = -1;

  HostProcess() = default;
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;
  ~HostProcess() {
    if (pid > 0) ::kill(pid, SIGKILL);
    Wait();
  }

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
  // Gives up after 20 s without the marker.
  std::string ReadUntil(const std::string& marker) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string text;
    char buffer[512];
    while (text.find(marker) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd ready{output, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
      const ssize_t n = ::read(output, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }
  // The exit code; -1 for a host ended by a signal, or killed here after 20 s without ending.
  int Wait() {
    int status = 0;
    if (pid > 0) {
      if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, std::chrono::seconds(20))) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        status = -1;
      }
      pid = -1;
    }
    if (output >= 0) ::close(output);
    output = -1;
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

// A client of the API whose address the welcome text names ("API at http://127.0.0.1:PORT/api").
inline std::unique_ptr<HttpTestClient> ApiClient(const std::string& welcome) {
  const std::string lead = "API at http://";
  const auto start = welcome.find(lead);
  if (start == std::string::npos) return nullptr;
  const auto end = welcome.find("/api", start + lead.size());
  if (end == std::string::npos) return nullptr;
  const std::string address = welcome.substr(start + lead.size(), end - start - lead.size());
  const auto colon = address.rfind(':');
  if (colon == std::string::npos) return nullptr;
  auto client =
      std::make_unique<HttpTestClient>(address.substr(0, colon), std::stoi(address.substr(colon + 1)));

  client->set_timeout(std::chrono::seconds(5));
  return client;
}
