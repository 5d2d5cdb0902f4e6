// Sonar devices for sequencing tests: each on a port that notes, in one shared log, which sonar a
// record was sent to, and that lists the devices attached to it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/afx/MainWindow.h"
#include "platform/tavrin/BaseIOHandler.h"
#include "platform/tavrin/Device.h"

// Records sent to the sonars, in the order sent.
class SendLog {
 public:
  struct Sent {
    std::string sonar, record;
  };
  void Add(const std::string& sonar, const CString& record) {
    std::lock_guard lock(mutex_);
    sent_.push_back({sonar, record.Str()});
    changed_.notify_all();
  }
  // Whether more than count records are sent within the time given: waits up to 5 s for what must
  // happen, and briefly for what must not.
  bool MoreThan(std::size_t count, std::chrono::milliseconds time = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, time, [&] { return sent_.size() > count; });
  }
  bool WaitForCount(std::size_t count) { return count == 0 || MoreThan(count - 1); }
  std::vector<Sent> All() {
    std::lock_guard lock(mutex_);
    return sent_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Sent> sent_;
};

// A sonar's port: every record sent through it goes to the log under the sonar's name; onSend, when
// set, runs on the sending thread just before.
class LoggingPort : public BaseIOHandler {
 public:
  LoggingPort(std::string sonar, SendLog& log) : sonar_(std::move(sonar)), log_(log) {}
  bool Send(const CString& record) override {
    if (onSend) onSend(record);
    log_.Add(sonar_, record);
    return true;
  }
  int NumDevices() const override { return static_cast<int>(devices.size()); }
  Device* GetDevice(int i) const override {
    return i >= 0 && i < NumDevices() ? devices[std::size_t(i)] : nullptr;
  }

  std::vector<Device*> devices;
  std::function<void(const CString&)> onSend;

 private:
  std::string sonar_;
  SendLog& log_;
};

// Keeps the host's main window open for a test: sequencing stops once it is gone.
struct MainWindowOpen {
  MainWindowOpen() { AfxOpenMainWnd(); }
  ~MainWindowOpen() { AfxCloseMainWnd(); }
};
