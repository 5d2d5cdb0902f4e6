// Sensor data buffers of the data manager, data subscriptions that read them, and the vessel list
// with its active vessel.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>

#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/DataSubscription.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/tavrin/VesselManager.h"

namespace {

constexpr auto kBound = std::chrono::seconds(5);

// Keeps the data id of the last DataId_NI, and what its subscription's buffer held then.
struct BlockReader : Subscriber {
  explicit BlockReader(const DataSubscription& from) : subscription(from) {}
  void Notify(const NotificationInfo* info) override {
    const auto* about = dynamic_cast<const DataId_NI*>(info);
    if (about == nullptr) return;
    notified = about->GetDataId();
    CDataBlock block;
    BaseDataSource* buffer = subscription.GetDataBuffer();
    if (buffer != nullptr && buffer->ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, block))
      read = block;
  }
  const DataSubscription& subscription;
  std::optional<CDataId> notified;
  std::optional<CDataBlock> read;
};

TEST(SensorData, AStoredBlockReachesTheSubscribersOfItsIdAndOnlyThose) {
  const CDataId sensor(1, 40, 1, 61);
  const CDataId other(2, 40, 1, 61);
  EXPECT_EQ(DataManager::GetDataManager().FindDatablockBuffer(sensor), nullptr);

  DataSubscription followed;
  DataSubscription unrelated;
  BlockReader reader(followed);
  BlockReader bystander(unrelated);
  followed.SetSubscriber(&reader, false);
  unrelated.SetSubscriber(&bystander, false);
  EXPECT_EQ(followed.GetDataBuffer(), nullptr);  // not subscribed yet
  ASSERT_TRUE(followed.Subscribe(sensor));
  ASSERT_TRUE(unrelated.Subscribe(other));
  EXPECT_EQ(followed.GetDataId(), sensor);

  CDataBlock block;
  block.AddF64(801, 1, 1487.25);
  DataManager::GetDataManager().StoreDataBlock(sensor, block);
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));

  EXPECT_EQ(reader.notified, sensor);
  ASSERT_TRUE(reader.read.has_value());
  int index = -1;
  ASSERT_TRUE(reader.read->LookUp(801, 1, index));
  const COrvBytePtr* element = reader.read->GetElement(index);
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(element->GetType(), 103);
  double value = 0.0;
  EXPECT_TRUE(element->GetValue(value));
  EXPECT_EQ(value, 1487.25);
  EXPECT_FALSE(bystander.notified.has_value());
  EXPECT_EQ(DataManager::GetDataManager().FindDatablockBuffer(other), nullptr);

  // A later block replaces the earlier one in the same buffer.
  BaseDataSource* buffer = DataManager::GetDataManager().FindDatablockBuffer(sensor);
  CDataBlock later;
  later.AddF64(801, 1, 1502.0);
  DataManager::GetDataManager().StoreDataBlock(sensor, later);
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
  EXPECT_EQ(DataManager::GetDataManager().FindDatablockBuffer(sensor), buffer);
  EXPECT_EQ(reader.read, later);
}

TEST(SensorData, ABlockForADeviceGoesToTheDevicesOwnBuffer) {
  const CDataId id(7, 78, 1, 61);
  auto owned = std::make_unique<Device>();
  owned->SetDataId(id);
  Device* device = owned.get();
  ASSERT_TRUE(DataManager::GetDataManager().AddDevice(std::move(owned)));
  EXPECT_EQ(DataManager::GetDataManager().FindDatablockBuffer(id), &device->GetDataSource());

  CDataBlock block;
  block.AddU16(609, 2, 50);
  DataManager::GetDataManager().StoreDataBlock(id, block);
  CDataBlock read;
  ASSERT_TRUE(device->GetDataSource().ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, read));
  EXPECT_EQ(read, block);
  EXPECT_TRUE(DataManager::GetDataManager().RemoveDevice(id));
}

TEST(Vessels, NumbersAreUniqueAndTheFirstIsActiveUntilAnotherIsSelected) {
  VesselManager& vessels = VesselManager::GetVesselManager();
  vessels.Clear();
  EXPECT_EQ(vessels.GetActiveVessel(), 0);
  ASSERT_TRUE(vessels.AddVessel(3, "Launch"));
  ASSERT_TRUE(vessels.AddVessel(1, "Mother ship"));
  EXPECT_FALSE(vessels.AddVessel(3, "Another launch"));
  EXPECT_EQ(vessels.GetNumVessels(), 2);
  ASSERT_NE(vessels.GetVessel(1), nullptr);
  EXPECT_EQ(vessels.GetVessel(1)->GetVesselId(), 1);
  EXPECT_EQ(vessels.GetVessel(2), nullptr);
  EXPECT_EQ(vessels.GetVessel(-1), nullptr);
  EXPECT_EQ(vessels.GetVesselName(3).Str(), "Launch");
  EXPECT_EQ(vessels.GetVesselName(9).Str(), "");

  EXPECT_EQ(vessels.GetActiveVessel(), 3);
  EXPECT_FALSE(vessels.SetActiveVessel(9));
  EXPECT_EQ(vessels.GetActiveVessel(), 3);
  EXPECT_TRUE(vessels.SetActiveVessel(1));
  EXPECT_EQ(vessels.GetActiveVessel(), 1);
  vessels.Clear();
  EXPECT_EQ(vessels.GetNumVessels(), 0);
  EXPECT_EQ(vessels.GetActiveVessel(), 0);
}

}  // namespace
