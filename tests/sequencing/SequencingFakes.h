// Sonar devices for sequencing tests, on ports that log which sonar each record went to, and a fixture
// that puts them in the data manager and hands them settings data.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/afx/MainWindow.h"
#include "platform/tavrin/BaseIOHandler.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/tavrin/VesselManager.h"

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

struct SonarSetup {
  std::string name;
  CDataId id;
  std::optional<int> pingMode, groupId, deviceId, deviceEnum;
};

// Settings data of a ping: range (item 699) and sound velocity (item 401), valid unless status says not.
inline CDataBlock Settings(unsigned short status = 0) {
  CDataBlock block;
  block.AddF32(699, 2, 50.0F);
  block.AddF64(401, 2, 1500.0);
  block.SetStatus(status);
  return block;
}

// Sonars in the data manager, on vessels 1 and 2, for one test; the host's main window open meanwhile.
class SequencedSonars : public ::testing::Test {
 protected:
  SequencedSonars() {
    VesselManager::GetVesselManager().Clear();
    VesselManager::GetVesselManager().AddVessel(1, "Survey Vessel");
    VesselManager::GetVesselManager().AddVessel(2, "Launch");
  }
  ~SequencedSonars() override {
    for (const auto& [name, id] : ids) DataManager::GetDataManager().RemoveDevice(id);
    VesselManager::GetVesselManager().Clear();
  }

  void AddSonar(const SonarSetup& setup) {
    auto device = std::make_unique<Device>();
    device->SetDataId(setup.id);
    const char* keys[] = {"PingMode", "SonarGroupId", "DeviceId", "DeviceEnum"};
    const std::optional<int> values[] = {setup.pingMode, setup.groupId, setup.deviceId, setup.deviceEnum};
    for (std::size_t i = 0; i < 4; ++i)
      if (values[i]) device->GetAttributes().Add(keys[i], COrvInt(*values[i]));
    auto port = std::make_unique<LoggingPort>(setup.name, log);
    port->devices.push_back(device.get());
    device->SetPortPtr(port.get());
    ids[setup.name] = setup.id;
    ports[setup.name] = std::move(port);
    ASSERT_TRUE(DataManager::GetDataManager().AddDevice(std::move(device)));
  }
  // The sonar's settings data arrive, and every notification they cause has been handled.
  void Feed(const std::string& sonar, const CDataBlock& block = Settings()) {
    DataManager::GetDataManager().StoreDataBlock(ids.at(sonar), block);
    ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(std::chrono::seconds(5)));
  }

  MainWindowOpen window;
  SendLog log;
  std::map<std::string, CDataId> ids;
  std::map<std::string, std::unique_ptr<LoggingPort>> ports;
};
