// A device's data time-out and buffer status: when missing data counts, what settings data does, the
// notification of each change, and how a ping sequence reaches the devices of a port.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/tavrin/CaptureIoHandler.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/DataTimeOut.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/zq/KavoDevice.h"
#include "platform/zq/KavoSocketIoHandler.h"
#include "tests/platform/tavrin/BufferStatusFollower.h"
#include "tests/platform/zq/ZqTestRecords.h"

namespace {

using namespace std::chrono_literals;
using Clock = DataTimeOut::Clock;

constexpr auto kBound = std::chrono::seconds(5);

// Lets every notification published so far be delivered.
void Settle() {
  EXPECT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
}

// Puts a sonar device into the data manager for the test's duration, so that its buffer is found by id.
class ManagedSonar {
 public:
  explicit ManagedSonar(const CDataId& id) : id_(id) {
    auto device = std::make_unique<KavoDevice>();
    device->SetDataId(id);
    device_ = device.get();
    EXPECT_TRUE(DataManager::GetDataManager().AddDevice(std::move(device)));
  }
  ~ManagedSonar() { DataManager::GetDataManager().RemoveDevice(id_); }
  ManagedSonar(const ManagedSonar&) = delete;
  ManagedSonar& operator=(const ManagedSonar&) = delete;
  KavoDevice& operator*() const { return *device_; }
  KavoDevice* operator->() const { return device_; }

 private:
  CDataId id_;
  KavoDevice* device_ = nullptr;
};

void Process(KavoDevice& device, std::string record) {
  device.ProcessMessage(record.data(), static_cast<int>(record.size()));
}

std::string SettingsRecord(std::uint32_t type) {
  return zqtest::Record(type, std::string(592, '\0'));
}

TEST(DataTimeOut, CountsFromTheLatestDataReEnablingOrRestartAndNeverWhileDisabled) {
  const Clock::time_point t0{std::chrono::seconds(1000)};
  DataTimeOut timeOut(t0);
  EXPECT_FALSE(timeOut.HasExpired(t0 + 1h));  // no limit: never
  timeOut.SetLimit(2s);
  EXPECT_FALSE(timeOut.HasExpired(t0 + 2s));  // exactly the limit is still in time
  EXPECT_TRUE(timeOut.HasExpired(t0 + 2001ms));
  EXPECT_FALSE(timeOut.LastData().has_value());

  timeOut.NoteData(t0 + 10s);
  EXPECT_EQ(timeOut.LastData(), t0 + 10s);
  EXPECT_FALSE(timeOut.HasExpired(t0 + 12s));
  EXPECT_TRUE(timeOut.HasExpired(t0 + 12001ms));

  // Waiting its turn for 30 s does not count; switched back on at 40 s, the wait starts there.
  timeOut.Disable(true, t0 + 10s);
  EXPECT_TRUE(timeOut.IsDisabled());
  EXPECT_FALSE(timeOut.HasExpired(t0 + 40s));
  EXPECT_FALSE(timeOut.LastEnabled().has_value());
  timeOut.Disable(false, t0 + 40s);
  EXPECT_EQ(timeOut.LastEnabled(), t0 + 40s);
  EXPECT_FALSE(timeOut.HasExpired(t0 + 42s));
  EXPECT_TRUE(timeOut.HasExpired(t0 + 42001ms));

  // Switching on what is on starts no new wait, or repeating it would hide data that stays away.
  timeOut.Disable(false, t0 + 41s);
  timeOut.Disable(false, t0 + 42s);
  EXPECT_EQ(timeOut.LastEnabled(), t0 + 40s);
  EXPECT_TRUE(timeOut.HasExpired(t0 + 42001ms));

  // A new connection starts a fresh wait; an older moment does not move the wait back.
  timeOut.RestartWait(t0 + 50s);
  timeOut.NoteData(t0 + 45s);
  EXPECT_EQ(timeOut.LastData(), t0 + 45s);
  EXPECT_FALSE(timeOut.HasExpired(t0 + 52s));
  EXPECT_TRUE(timeOut.HasExpired(t0 + 52001ms));

  // A lower bound longer than the limit (a long ping) holds it up; a shorter one changes nothing.
  EXPECT_FALSE(timeOut.HasExpired(t0 + 62s, 12s));
  EXPECT_TRUE(timeOut.HasExpired(t0 + 62001ms, 12s));
  EXPECT_TRUE(timeOut.HasExpired(t0 + 52001ms, 1s));

  timeOut.SetLimit(Clock::duration::zero());
  EXPECT_FALSE(timeOut.HasExpired(t0 + 1h));
  EXPECT_FALSE(timeOut.HasExpired(t0 + 1h, 12s));  // a lower bound gives no limit to a time-out without one
}

TEST(DeviceBufferStatus, EachChangeIsNotifiedOnceWithTheDeviceDataIdAndReadFromItsBuffer) {
  const CDataId id(9301, 78, 1, 1);
  StatusFollower follower(id.GetKey());
  ManagedSonar sonar(id);
  EXPECT_EQ(StatusOf(id), -1);  // no status before the first is set

  sonar->SetBufferStatus(BufferStatus::kLinkDown);  // the first status is a change
  sonar->SetBufferStatus(BufferStatus::kLinkDown);
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1}));
  sonar->SetBufferStatus(BufferStatus::kDataFlowing);
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0}));
  sonar->SetBufferStatus(BufferStatus::kDataFlowing);
  Settle();
  sonar->SetBufferStatus(BufferStatus::kDataTimedOut);
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0, 2}));
  std::lock_guard lock(follower.mutex);
  EXPECT_EQ(follower.ids, (std::vector<CDataId>(3, id)));
}

TEST(DeviceBufferStatus, OnlyValidSettingsDataMarksTheDataAsArrivedAndSetsTheStatusAtOnce) {
  const CDataId id(9302, 78, 1, 1);
  StatusFollower follower(id.GetKey());
  ManagedSonar sonar(id);
  sonar->SetBufferStatus(BufferStatus::kLinkDown);
  Settle();

  // BITE results, events, a configuration and settings too short to decode are no settings data.
  Process(*sonar, zqtest::Record(7021, std::string(40, '\0')));
  Process(*sonar, zqtest::Record(7051, "EVT1" + std::string(20, '\0')));
  Process(*sonar, zqtest::ConfigurationRecord("<ZqConfiguration/>"));
  Process(*sonar, SettingsRecord(7000).substr(0, 659));
  EXPECT_FALSE(sonar->GetLastDataTime().has_value());
  EXPECT_EQ(StatusOf(id), 1);

  const auto before = Clock::now();
  Process(*sonar, SettingsRecord(7503));
  EXPECT_EQ(StatusOf(id), 0);  // set on arrival, not at a later check
  ASSERT_TRUE(sonar->GetLastDataTime().has_value());
  EXPECT_GE(*sonar->GetLastDataTime(), before);
  const auto first = *sonar->GetLastDataTime();

  // Every ping's settings move the arrival on; the status does not change, so nothing more is notified.
  for (int ping = 0; ping < 5; ++ping) Process(*sonar, SettingsRecord(7000));
  EXPECT_GE(*sonar->GetLastDataTime(), first);
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0}));
}

TEST(DeviceBufferStatus, TheCheckFindsLinkDownAndTimedOutButNoTimeOutWhileDisabled) {
  constexpr auto kTimeOut = 300ms;
  const CDataId id(9303, 78, 1, 1);
  StatusFollower follower(id.GetKey());
  ManagedSonar sonar(id);
  sonar->SetDataTimeOut(kTimeOut);
  EXPECT_EQ(sonar->GetDataTimeOut(), kTimeOut);
  bool connected = false;
  const auto link = [&connected] { return connected; };

  sonar->CheckDataFlow(link);
  EXPECT_EQ(StatusOf(id), 1);
  Settle();
  Process(*sonar, SettingsRecord(7503));  // a record that came in as the link connected
  connected = true;
  sonar->CheckDataFlow(link);
  EXPECT_EQ(StatusOf(id), 0);
  Settle();

  // The sonar goes quiet with its time-out on.
  std::this_thread::sleep_for(kTimeOut + 100ms);
  sonar->CheckDataFlow(link);
  EXPECT_EQ(StatusOf(id), 2);
  Settle();

  // Waiting its turn: the time-out is withdrawn at once and not reported however long it waits.
  sonar->DisableTimeOut(true);
  EXPECT_TRUE(sonar->IsTimeOutDisabled());
  EXPECT_EQ(StatusOf(id), 0);
  Settle();
  std::this_thread::sleep_for(2 * kTimeOut);
  sonar->CheckDataFlow(link);
  EXPECT_EQ(StatusOf(id), 0);

  // Switched back on, it gets a whole time-out of its own before it counts as missing again.
  sonar->DisableTimeOut(false);
  const auto enabled = sonar->GetTimeOutEnabledTime();
  ASSERT_TRUE(enabled.has_value());
  sonar->CheckDataFlow(link);
  EXPECT_EQ(StatusOf(id), 0);
  std::this_thread::sleep_for(kTimeOut + 100ms);
  sonar->CheckDataFlow(link);
  EXPECT_EQ(StatusOf(id), 2);
  Settle();

  // Data brings it back at once; a link that drops is link-down whether or not the time-out is on.
  Process(*sonar, SettingsRecord(7000));
  EXPECT_EQ(StatusOf(id), 0);
  Settle();
  connected = false;
  sonar->DisableTimeOut(true);
  sonar->CheckDataFlow(link);
  EXPECT_EQ(StatusOf(id), 1);
  sonar->DisableTimeOut(false);
  EXPECT_EQ(StatusOf(id), 1);
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0, 2, 0, 2, 0, 1}));
}

TEST(DeviceBufferStatus, ADeviceWithoutATimeOutNeverTimesOut) {
  const CDataId id(9304, 78, 1, 1);
  ManagedSonar sonar(id);
  EXPECT_EQ(sonar->GetDataTimeOut(), 0ms);
  std::this_thread::sleep_for(20ms);
  sonar->CheckDataFlow([] { return true; });
  EXPECT_EQ(StatusOf(id), 0);
}

TEST(PortDevices, APlainPortHasNoneAndASonarSocketListsItsDevicesForAPingSequence) {
  CaptureIoHandler plain;
  const BaseIOHandler& plainPort = plain;
  EXPECT_EQ(plainPort.NumDevices(), 0);
  EXPECT_EQ(plainPort.GetDevice(0), nullptr);

  KavoSocketIoHandler socket(std::make_unique<ZqCaptureTransport>());
  KavoDevice first;
  KavoDevice second;
  socket.AttachDevice(&first);
  socket.AttachDevice(&second);
  first.SetPortPtr(&socket);

  // As a ping sequence does it: from a device, through its port, to every device that hears it.
  BaseIOHandler* port = first.GetPortPtr();
  ASSERT_EQ(port->NumDevices(), 2);
  EXPECT_EQ(port->GetDevice(0), &first);
  EXPECT_EQ(port->GetDevice(1), &second);
  EXPECT_EQ(port->GetDevice(2), nullptr);
  EXPECT_EQ(port->GetDevice(-1), nullptr);
  for (int i = 0; i < port->NumDevices(); ++i) port->GetDevice(i)->DisableTimeOut(true);
  EXPECT_TRUE(first.IsTimeOutDisabled() && second.IsTimeOutDisabled());
}

}  // namespace
