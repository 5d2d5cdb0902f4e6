// A sonar device reading its head's records, system messages per sonar to listeners, and the sonar socket
// learning heads from the records it receives.
#include "platform/zq/KavoDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/zq/KavoSocketIoHandler.h"
#include "platform/zq/ZqSonarRecordStore.h"
#include "platform/zq/ZqWireFormat.h"
#include "tests/platform/tavrin/DeviceFollower.h"
#include "tests/platform/zq/ZqTestRecords.h"

namespace {

using zqtest::Record;

using zqtest::Process;

// Settings on request (7503) may come mid-ping: attributes and key (notification kind 6), but no data
// subscriber released (kind 5). A configuration changes attributes only; it and the messages are kept
// per sonar and handed to listeners while they are registered. (The hardware table itself:
// ZqConfigurationDecoderTest.)
TEST(KavoDeviceRecords, SettingsReleaseDataOnlyPerPingAndMessagesAreKeptPerSonarAndHandedToListeners) {
  ZqSonarRecordStore& store = ZqSonarRecordStore::Instance();
  KavoDevice device;
  device.SetDataId(CDataId(9202, 78, 1, 1));
  device.SetDeviceName("Sonar A");
  const CString key("9202.78.1.1");
  DeviceFollower follower(CDataId(9202, 78, 1, 1),
                          {NotificationKind::kDeviceKey, NotificationKind::kNewData});
  std::vector<std::string> heard;
  auto registration = std::make_unique<ZqSonarRecordStore::Registration>(store.Register(
      [&](const CString& sonar, const CString& name, std::uint32_t type, const std::string& record) {
        if (sonar == key)
          heard.push_back(name.Str() + " " + std::to_string(type) + " " + record.substr(64, 4));
      }));
  CDataBlock block;
  Process(device, zqtest::SettingsRecord(7000, 125.0F).substr(0, 659));  // too short: nothing
  device.ProcessMessage(zqtest::SettingsRecord(7000, 125.0F).data(), -1);
  EXPECT_TRUE(follower.Kinds().empty());
  EXPECT_FALSE(device.GetAttributes().GetCount() > 0 || device.GetDataSource().ReadDataBlock(3, block));
  Process(device, zqtest::SettingsRecord(7000, 125.0F));
  EXPECT_EQ(follower.Kinds(), (std::vector<int>{6, 5}));
  // The settings block is served behind selector 3 only.
  EXPECT_TRUE(device.GetDataSource().ReadDataBlock(3, block) &&
              !device.GetDataSource().ReadDataBlock(2, block));
  Process(device, zqtest::SettingsRecord(7503, 250.0F));
  EXPECT_EQ(follower.Kinds(), (std::vector<int>{6, 5, 6}));
  EXPECT_EQ(device.GetAttributes().FindValue("ZqRange"), COrvDouble(250.0));

  const std::string configuration =
      zqtest::ConfigurationRecord(R"(<ZqConfiguration><HARDWARE><Device name="TX1" id="36"/></HARDWARE>)"
                                  R"(<SETTINGS><SettingSet deviceEnum="0"/></SETTINGS></ZqConfiguration>)");
  Process(device, configuration);
  Process(device, Record(7051, "EVT1" + std::string(20, '\0')));
  Process(device, Record(7051, "EVT2" + std::string(20, '\0')));
  Process(device, Record(7611, "ABSO"));  // not a record the store keeps
  EXPECT_EQ(follower.Kinds(), (std::vector<int>{6, 5, 6, 6}));
  EXPECT_NE(device.GetAttributes().Find("ZqSonarSettings"), nullptr);
  const std::string serial("\xD2\x04\0\0", 4);  // 1234
  EXPECT_EQ(heard,
            (std::vector<std::string>{"Sonar A 7003 " + serial, "Sonar A 7051 EVT1", "Sonar A 7051 EVT2"}));
  std::string kept;
  EXPECT_TRUE(store.GetRecord(key, 7003, kept) && kept == configuration);
  EXPECT_TRUE(store.GetRecord(key, 7051, kept) && kept.substr(64, 4) == "EVT2");
  EXPECT_FALSE(store.GetRecord(key, 7021, kept) || store.GetRecord(key, 7611, kept));
  const auto boards = store.GetHardwareTable(key);
  EXPECT_TRUE(boards.size() == 1 && boards[0].name == "TX1" && boards[0].id == 36);
  registration.reset();
  Process(device, Record(7050, std::string(12, '\0')));
  EXPECT_EQ(heard.size(), 3u);
  EXPECT_TRUE(store.GetRecord(key, 7050, kept));
}

// One thread hands records in while another registers listeners and frees what each uses right after
// its registration ends: a call after that would touch freed memory (the sanitizers see it).
TEST(KavoDeviceRecords, AListenerUnregisteredWhileAnotherThreadPublishesIsNotCalledAfterwards) {
  std::atomic<bool> stop{false};
  std::thread publisher([&stop] {
    const std::string event = Record(7051, std::string(20, '\0'));
    while (!stop) ZqSonarRecordStore::Instance().Add("9203.78.1.1", "B", 7051, zqtest::Bytes(event));
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  while (std::chrono::steady_clock::now() < deadline) {
    auto calls = std::make_unique<int>(0);
    {
      const auto registration = ZqSonarRecordStore::Instance().Register(
          [counter = calls.get()](const CString&, const CString&, std::uint32_t, const std::string&) {
            ++*counter;
          });
      std::this_thread::yield();
    }
    calls.reset();
  }
  stop = true;
  publisher.join();
}

class RecordingDevice : public KavoDevice {
 public:
  void ProcessMessage(char* data, int length) override {
    types.push_back(
        zqwire::ReadHeader(std::as_bytes(std::span(data, static_cast<std::size_t>(length)))).recordType);
  }
  std::vector<std::uint32_t> types;
};

TEST(KavoSocketIoHandlerTest, LearnsHeadsAndRoutesRecordsByTheHeadsDeviceIdentifier) {
  KavoSocketIoHandler socket(std::make_unique<ZqCaptureTransport>());
  socket.SetZqDeviceId(0, 7000);  // configured: head 0 of sonar 7000
  socket.SetZqDeviceId(2, 6999);  // configured wrongly: sonar 7001 reports under enum 2 below
  RecordingDevice shallow;        // drives device enum 0
  RecordingDevice deep;
  deep.SetZqDeviceEnum(2);
  socket.AttachDevice(&shallow);
  socket.AttachDevice(&deep);
  socket.AttachDevice(&shallow);  // attaching twice hands records once

  const auto receive = [&socket](std::uint32_t type, std::uint32_t id, std::uint16_t deviceEnum) {
    const std::string record = zqwire::BuildRecord(type, id, deviceEnum, "", 0.0);
    socket.OnRecord(zqwire::AsBytes(record));
  };
  receive(7000, 7000, 0);
  // Sonar 7000 switched to its second setting set: still the shallow device's records, and enum 1 is
  // now known as sonar 7000.
  receive(7000, 7000, 1);
  receive(7003, 7001, 2);
  receive(7051, 7002, 3);  // a head nobody drives

  EXPECT_EQ(shallow.types, (std::vector<std::uint32_t>{7000, 7000}));
  EXPECT_EQ(deep.types, (std::vector<std::uint32_t>{7003}));
  EXPECT_EQ(socket.GetZqDeviceId(1), 7000u);
  EXPECT_EQ(socket.GetZqDeviceId(2), 7001u);
  EXPECT_EQ(socket.GetZqDeviceId(4), 0u);

  socket.DetachDevice(&shallow);
  receive(7000, 7000, 0);
  EXPECT_EQ(shallow.types.size(), 2u);
  EXPECT_EQ(socket.NumDevices(), 1);
  EXPECT_EQ(socket.GetDevice(0), &deep);
  EXPECT_TRUE(socket.GetDevice(1) == nullptr && socket.GetDevice(-1) == nullptr);  // bounds both ways
}

}  // namespace
