// Host devices, and the data manager's registry and attribute access.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/tavrin/CaptureIoHandler.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/FileObject.h"

namespace {

TEST(Device, SendsRecordsByteForByteAndLoadsAttributesOnlyFromValidJson) {
  Device device;
  const std::string record("\x05\x00\xFF\xFF\x00\x00\x60\x00", 8);
  EXPECT_FALSE(device.SendMessage(CString(record), false));  // no port yet
  CaptureIoHandler port;
  device.SetPortPtr(&port);
  EXPECT_TRUE(device.SendMessage(CString(record), false));
  EXPECT_EQ(port.Records(), std::vector<CString>{CString(record)});

  device.GetAttributes().Add("Stale", COrvInt(1));
  FileObject file(R"([{"ZqRange": {"double": 250.0}}])");
  ASSERT_TRUE(device.LoadAttribs("Sonar 1", &file));
  CAttributeMap expected;
  expected.Add("ZqRange", COrvDouble(250.0));
  EXPECT_TRUE(device.GetAttributes() == expected);
  EXPECT_EQ(device.GetDeviceName(), CString("Sonar 1"));

  FileObject badEntry(R"([{"ZqRange": {"double": 500.0}}, {"Bad": {"int": 1.5}}])");
  EXPECT_FALSE(device.LoadAttribs("New", &badEntry));
  EXPECT_FALSE(device.LoadAttribs("New", nullptr));
  EXPECT_TRUE(device.GetAttributes() == expected);
}

TEST(DataManager, RegistersDevicesByIdAndCopiesMergesOrReplacesTheirAttributes) {
  DataManager& manager = DataManager::GetDataManager();
  const CDataId id(9101, 78, 1, 1);
  const CDataId unknown(9101, 78, 1, 2);
  for (const char* name : {"First", "Second"}) {
    auto device = std::make_unique<Device>();
    device->SetDataId(id);
    device->SetDeviceName(name);
    device->GetAttributes().Add("Request")->Add("ZqRange", COrvDouble(250.0));
    EXPECT_EQ(manager.AddDevice(std::move(device)), name == std::string("First"));  // the id is taken
  }
  ASSERT_NE(manager.FindDevice(id), nullptr);
  EXPECT_EQ(manager.FindDevice(id)->GetDeviceName(), CString("First"));
  EXPECT_EQ(manager.FindDevice(unknown), nullptr);

  CAttributeMap map;
  ASSERT_TRUE(manager.GetAttributeMap(id, map));
  map.Find("Request")->RemoveAll();
  CAttributeMap request;
  request.Add("Request")->Add("ZqPower", COrvDouble(200.0));
  ASSERT_TRUE(manager.SetAttributeMap(id, request, DataManager::kMergeAttributes));
  ASSERT_TRUE(manager.GetAttributeMap(id, map));
  CAttributeMap merged;  // the copy emptied above left the device's request as it was
  merged.Add("Request")->Add("ZqRange", COrvDouble(250.0));
  merged.Find("Request")->Add("ZqPower", COrvDouble(200.0));
  EXPECT_TRUE(map == merged);
  CAttributeMap replacement;  // any other flag replaces the whole map
  replacement.Add("ZqGain", COrvInt(0));
  ASSERT_TRUE(manager.SetAttributeMap(id, replacement, 0));
  ASSERT_TRUE(manager.GetAttributeMap(id, map));
  EXPECT_TRUE(map == replacement);
  EXPECT_FALSE(manager.SetAttributeMap(unknown, request, DataManager::kMergeAttributes));
  EXPECT_FALSE(manager.GetAttributeMap(unknown, map));
  EXPECT_TRUE(manager.RemoveDevice(id));
  EXPECT_FALSE(manager.RemoveDevice(id) || manager.FindDevice(id));
}

TEST(DataManager, ListsEachVesselsDevicesInTheOrderTheyWereAdded) {
  DataManager& manager = DataManager::GetDataManager();
  // Vessel 77 gets three devices whose identifiers sort in another order than they are added.
  const CDataId added[] = {CDataId(9203, 78, 1, 77), CDataId(9201, 40, 1, 77), CDataId(9202, 78, 1, 78),
                           CDataId(9200, 78, 1, 77)};
  for (const CDataId& id : added) {
    auto device = std::make_unique<Device>();
    device->SetDataId(id);
    ASSERT_TRUE(manager.AddDevice(std::move(device)));
  }
  ASSERT_EQ(manager.GetDeviceCount(77), 3);
  EXPECT_EQ(manager.GetDeviceCount(78), 1);
  EXPECT_EQ(manager.GetDeviceCount(79), 0);
  EXPECT_EQ(manager.GetDevice(0, 77)->GetDataId(), added[0]);
  EXPECT_EQ(manager.GetDevice(1, 77)->GetDataId(), added[1]);
  EXPECT_EQ(manager.GetDevice(2, 77)->GetDataId(), added[3]);
  EXPECT_EQ(manager.GetDevice(3, 77), nullptr);
  EXPECT_EQ(manager.GetDevice(-1, 77), nullptr);
  EXPECT_EQ(manager.GetDevice(0, 78)->GetDataId(), added[2]);

  ASSERT_TRUE(manager.RemoveDevice(added[1]));
  EXPECT_EQ(manager.GetDeviceCount(77), 2);
  EXPECT_EQ(manager.GetDevice(1, 77)->GetDataId(), added[3]);
  for (const CDataId& id : {added[0], added[2], added[3]}) EXPECT_TRUE(manager.RemoveDevice(id));
  EXPECT_EQ(manager.GetDeviceCount(77), 0);
}

}  // namespace
