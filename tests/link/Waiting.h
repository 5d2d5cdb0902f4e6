// Bounded waiting for what another thread does, and counting the process's threads and open files.
#pragma once

#include <dirent.h>
#include <chrono>
#include <functional>
#include <thread>

// Polls condition until it holds; false when it still does not after timeout.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Entries of a /proc folder: "/proc/self/fd" counts open files and sockets.
inline std::size_t CountEntries(const char* folder) {
  std::size_t count = 0;
  if (DIR* dir = opendir(folder)) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

// The threads of the process. One thread is started and joined first, so that a sanitizer's own
// helper thread, which starts with the first thread of the process, is there on every count.
inline std::size_t CountThreads() {
  std::thread([] {}).join();
  return CountEntries("/proc/self/task");
}
