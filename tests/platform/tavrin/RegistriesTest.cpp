// The host's registries: devices, vessels and device creators. (The module chain: tests/frame/
// KavoSonarConfigurationTest.cpp.)
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/VesselManager.h"

namespace {

TEST(DataManager, RegistersDevicesByIdAndCopiesOrMergesTheirAttributes) {
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
  EXPECT_FALSE(manager.SetAttributeMap(unknown, request, DataManager::kMergeAttributes));
  EXPECT_FALSE(manager.GetAttributeMap(unknown, map));
  EXPECT_TRUE(manager.RemoveDevice(id));
  EXPECT_FALSE(manager.RemoveDevice(id) || manager.FindDevice(id));
}

// (Selecting a vessel through the host's API: tests/host/HostRuntimeTest.cpp.)
TEST(Vessels, NumbersAreUniqueAndTheFirstIsActiveUntilAnotherIsSelected) {
  VesselManager& vessels = VesselManager::GetVesselManager();
  vessels.Clear();
  ASSERT_TRUE(vessels.AddVessel(3, "Launch") && vessels.AddVessel(1, "Mother ship"));
  EXPECT_FALSE(vessels.AddVessel(3, "Another launch"));
  EXPECT_TRUE(vessels.GetNumVessels() == 2 && vessels.GetVessel(2) == nullptr &&
              vessels.GetVessel(-1) == nullptr);
  EXPECT_EQ(vessels.GetVesselName(3).Str(), "Launch");
  EXPECT_FALSE(vessels.SetActiveVessel(9));
  EXPECT_EQ(vessels.GetActiveVessel(), 3);
  vessels.Clear();
  EXPECT_EQ(vessels.GetNumVessels() + vessels.GetActiveVessel(), 0);
}

// Counts its live instances, so that the list's ownership of creators shows.
class CountingCreator : public DevICreator {
 public:
  CountingCreator() { ++live; }
  ~CountingCreator() override { --live; }
  Device* Create() override { return new Device(); }
  static inline int live = 0;
};

TEST(CDevList, OwnsCreatorsAndMakesDevicesByRegisteredName) {
  CDevList& list = CDevList::GetDevList();
  EXPECT_TRUE(list.RegisterDev("Counting", new CountingCreator()));
  EXPECT_FALSE(list.RegisterDev("Counting", new CountingCreator()));  // taken: the new one is deleted
  EXPECT_FALSE(list.RegisterDev("Null", nullptr) || list.IsRegistered("Null"));
  EXPECT_EQ(CountingCreator::live, 1);
  EXPECT_TRUE(std::unique_ptr<Device>(list.CreateDevice("Counting")) && !list.CreateDevice("Unknown"));
  EXPECT_TRUE(list.UnRegisterDev("Counting"));
  EXPECT_EQ(CountingCreator::live, 0);
  EXPECT_FALSE(list.UnRegisterDev("Counting") || list.CreateDevice("Counting"));
}

}  // namespace
