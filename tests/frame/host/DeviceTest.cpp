// Host devices: sending records through their port, loading stored attributes, the data manager's
// device registry and attribute access, and the sonar link's port and device base.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tavrin/CaptureIoHandler.h"
#include "tavrin/DataManager.h"
#include "tavrin/Device.h"
#include "tavrin/FileObject.h"
#include "tavrin/SubscriptionImpl.h"
#include "tavrin/SubscriptionManager.h"
#include "zq/KavoDevice.h"
#include "zq/KavoSocketIoHandler.h"
#include "zq/ZqRecordTransport.h"

namespace {

using ::testing::HasSubstr;

double Double(const CAttributeMap& map, const CString& key) {
  double value = -999.0;
  EXPECT_TRUE(map.FindValue(key).GetValue(value)) << key.Str() << " is no double";
  return value;
}

TEST(Device, SendsRecordsThroughItsPortByteForByte) {
  Device device;
  const std::string record("\x05\x00\xFF\xFF\x00\x00\x60\x00", 8);
  EXPECT_FALSE(device.SendMessage(CString(record), false));
  EXPECT_FALSE(device.DoOutput(0));

  CaptureIoHandler port;
  device.SetPortPtr(&port);
  EXPECT_TRUE(device.SendMessage(CString(record), false));
  EXPECT_TRUE(device.SendMessage(CString("second"), false));
  EXPECT_TRUE(device.DoOutput(0));
  ASSERT_EQ(port.Records().size(), 2u);
  EXPECT_EQ(port.Records()[0].Str(), record);
  EXPECT_EQ(port.Records()[1].Str(), "second");
}

TEST(Device, LoadAttribsReplacesTheMapFromValidJson) {
  Device device;
  device.SetDeviceName("Old");
  device.GetAttributes().Add("Stale", COrvInt(1));

  FileObject file(R"([{"ZqRange": {"double": 250.0}}, {"ZqDataRecording": {"bool": true}}])");
  ASSERT_TRUE(device.LoadAttribs("Sonar 1", &file));
  EXPECT_EQ(device.GetDeviceName(), CString("Sonar 1"));
  EXPECT_FALSE(device.GetAttributes().Has("Stale"));
  unsigned flags = 7;
  bool recording = false;
  EXPECT_TRUE(device.GetAttribValue("ZqDataRecording", recording, flags));
  EXPECT_TRUE(recording);
  EXPECT_EQ(flags, 0u);

  FileObject other(R"({"ZqRange": {"double": 500.0}})");
  ASSERT_TRUE(device.LoadAttribs("", &other));  // an empty name keeps the device's name
  EXPECT_EQ(device.GetDeviceName(), CString("Sonar 1"));
  EXPECT_EQ(Double(device.GetAttributes(), "ZqRange"), 500.0);
}

TEST(Device, LoadAttribsRefusesMalformedJsonOrNoFile) {
  Device device;
  device.SetDeviceName("Kept");
  device.GetAttributes().Add("ZqRange", COrvDouble(250.0));
  const CAttributeMap before = device.GetAttributes();

  FileObject badEntry(R"([{"ZqRange": {"double": 500.0}}, {"Bad": {"int": 1.5}}])");
  FileObject truncated(R"([{"ZqRange": )");
  EXPECT_FALSE(device.LoadAttribs("New", &badEntry));
  EXPECT_FALSE(device.LoadAttribs("New", &truncated));
  EXPECT_FALSE(device.LoadAttribs("New", nullptr));
  EXPECT_TRUE(device.GetAttributes() == before);
  EXPECT_EQ(device.GetDeviceName(), CString("Kept"));
}

TEST(FileObject, ReadsAFileAndNamesThePathWhenItCannot) {
  const std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) / ("device_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string contents("[]\n\0x", 5);
  const std::string path = (folder / "sonar.json").string();
  std::ofstream(path, std::ios::binary) << contents;

  FileObject file("");
  std::string error;
  ASSERT_TRUE(FileObject::Read(path, file, error)) << error;
  EXPECT_EQ(file.Text(), contents);

  const std::string missing = (folder / "missing.json").string();
  EXPECT_FALSE(FileObject::Read(missing, file, error));
  EXPECT_THAT(error, HasSubstr(missing));
  EXPECT_FALSE(FileObject::Read(folder.string(), file, error));
  EXPECT_THAT(error, HasSubstr(folder.string() + ":"));
  EXPECT_EQ(file.Text(), contents);  // a failed read leaves the object as it was
  std::filesystem::remove_all(folder);
}

std::unique_ptr<Device> MakeDevice(const CDataId& id, const CString& name) {
  auto device = std::make_unique<Device>();
  device->SetDataId(id);
  device->SetDeviceName(name);
  return device;
}

TEST(DataManager, AddsFindsAndRemovesDevicesById) {
  DataManager& manager = DataManager::GetDataManager();
  const CDataId id(9101, 78, 1, 1);
  ASSERT_TRUE(manager.AddDevice(MakeDevice(id, "First")));
  EXPECT_FALSE(manager.AddDevice(MakeDevice(id, "Second")));  // the id is taken
  ASSERT_NE(manager.FindDevice(id), nullptr);
  EXPECT_EQ(manager.FindDevice(id)->GetDeviceName(), CString("First"));
  EXPECT_EQ(manager.FindDevice(CDataId(9101, 78, 1, 2)), nullptr);

  EXPECT_TRUE(manager.RemoveDevice(id));
  EXPECT_EQ(manager.FindDevice(id), nullptr);
  EXPECT_FALSE(manager.RemoveDevice(id));
}

TEST(DataManager, GetAttributeMapCopiesAndSetAttributeMapMergesOrReplaces) {
  DataManager& manager = DataManager::GetDataManager();
  const CDataId id(9102, 78, 1, 1);
  auto device = MakeDevice(id, "Control");
  device->GetAttributes().Add("ZqGain", COrvDouble(6.0));
  device->GetAttributes().Add("Request")->Add("ZqRange", COrvDouble(250.0));
  ASSERT_TRUE(manager.AddDevice(std::move(device)));

  CAttributeMap map;
  ASSERT_TRUE(manager.GetAttributeMap(id, map));
  map.Find("Request")->RemoveAll();
  ASSERT_TRUE(manager.GetAttributeMap(id, map));
  EXPECT_EQ(map.Find("Request")->GetCount(), 1);  // the first read was a copy

  CAttributeMap request;
  request.Add("Request")->Add("ZqPower", COrvDouble(200.0));
  ASSERT_TRUE(manager.SetAttributeMap(id, request, DataManager::kMergeAttributes));
  ASSERT_TRUE(manager.GetAttributeMap(id, map));
  EXPECT_EQ(Double(*map.Find("Request"), "ZqRange"), 250.0);
  EXPECT_EQ(Double(*map.Find("Request"), "ZqPower"), 200.0);
  EXPECT_EQ(Double(map, "ZqGain"), 6.0);

  for (const int flags : {1, 0}) {  // any other flag replaces the whole map
    CAttributeMap replacement;
    replacement.Add("ZqGain", COrvDouble(flags));
    ASSERT_TRUE(manager.SetAttributeMap(id, replacement, flags));
    ASSERT_TRUE(manager.GetAttributeMap(id, map));
    EXPECT_TRUE(map == replacement) << flags;
  }

  const CDataId unknown(9102, 78, 1, 2);
  EXPECT_FALSE(manager.SetAttributeMap(unknown, request, DataManager::kMergeAttributes));
  EXPECT_FALSE(manager.GetAttributeMap(unknown, map));
  EXPECT_TRUE(manager.RemoveDevice(id));
}

class CountingSubscriber : public Subscriber {
 public:
  void Notify(const NotificationInfo* /*info*/) override { ++count; }
  std::atomic<int> count{0};
};

TEST(Device, ApplyAttribsPublishesTheDeviceKeyOnlyWhenAskedTo) {
  Device device;
  device.SetDataId(CDataId(9103, 78, 1, 1));
  CountingSubscriber subscriber;
  SubscriptionImpl subscription(NotificationKind::kDeviceKey);
  subscription.SetSubscriber(&subscriber, false);
  ASSERT_TRUE(subscription.Subscribe("9103.78.1.1"));
  SubscriptionManager& notifications = SubscriptionManager::Instance();

  device.ApplyAttribs(false);
  ASSERT_TRUE(notifications.WaitIdle(std::chrono::seconds(5)));
  EXPECT_EQ(subscriber.count, 0);
  device.ApplyAttribs(true);
  ASSERT_TRUE(notifications.WaitIdle(std::chrono::seconds(5)));
  EXPECT_EQ(subscriber.count, 1);
}

TEST(KavoSocketIoHandler, KnowsHeadsByDeviceEnumAndHandsRecordsToItsTransport) {
  auto transport = std::make_unique<ZqCaptureTransport>();
  ZqCaptureTransport* capture = transport.get();
  KavoSocketIoHandler socket(std::move(transport));
  EXPECT_EQ(socket.GetZqDeviceId(0), 0u);
  socket.SetZqDeviceId(0, 7000);
  socket.SetZqDeviceId(3, 7001);
  socket.SetZqDeviceId(3, 7002);
  EXPECT_EQ(socket.GetZqDeviceId(0), 7000u);
  EXPECT_EQ(socket.GetZqDeviceId(3), 7002u);
  EXPECT_EQ(socket.GetZqDeviceId(1), 0u);

  KavoDevice device;
  device.SetPortPtr(&socket);
  const std::string record("\xFF\xFF\x00\x00\x01", 5);
  EXPECT_TRUE(device.SendMessage(CString(record), false));
  ASSERT_EQ(capture->Records().size(), 1u);
  EXPECT_EQ(capture->Records()[0].Str(), record);
}

TEST(KavoDevice, TrackingNumbersDifferBetweenDevices) {
  KavoDevice first;
  KavoDevice second;
  EXPECT_NE(first.GetTrackingNumber(), second.GetTrackingNumber());
}

}  // namespace
