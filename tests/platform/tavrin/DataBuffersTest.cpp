// Data blocks and the buffers that hold them: typed elements read only as their own type and size,
// LookUp finds the first element of an item and second key, selector 3 serves the current settings
// block, and a sensor's stored block reaches the subscribers of its id. (A block stored for a sonar
// reaching its device's own buffer: tests/frame/KavoSonarConfigurationTest.cpp.)
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/DataSubscription.h"
#include "platform/tavrin/SubscriptionManager.h"

namespace {

TEST(DataBlock, ElementsReadOnlyAsTheirOwnTypeAndSizeAndLookUpFindsTheFirst) {
  CDataBlock block;
  block.AddU16(609, 2, 0x0133, 7);
  block.AddF32(699, 2, 50.5F);
  block.AddU32(699, 2, 9);                                                            // never found
  block.Add(COrvBytePtr(700, 2, COrvBytePtr::kTypeF32, std::array<std::byte, 8>{}));  // wrong size
  int index = -1;
  float range = 0.0F;
  std::uint16_t whole = 0;
  ASSERT_TRUE(block.LookUp(699, 2, index));
  EXPECT_TRUE(block.GetElement(index)->GetValue(range) && range == 50.5F);
  EXPECT_FALSE(block.GetElement(index)->GetValue(whole));
  ASSERT_TRUE(block.LookUp(609, 2, index));
  EXPECT_TRUE(block.GetElement(index)->GetValue(whole) && whole == 0x0133);
  EXPECT_EQ(block.GetElement(index)->GetStatus(), 7);
  EXPECT_EQ(block.GetElement(index)->GetBytes()[0], std::byte{0x33});  // little-endian
  ASSERT_TRUE(block.LookUp(700, 2, index));
  EXPECT_FALSE(block.GetElement(index)->GetValue(range));
  EXPECT_FALSE(block.LookUp(699, 1, index));
  EXPECT_EQ(block.GetElement(4), nullptr);
}

TEST(DataSource, ServesTheCurrentSettingsBlockOnlyBehindSelector3AndTheStatusOnceSet) {
  BaseDataSource source;
  CDataBlock read;
  double time = 0.0;
  unsigned short status = 0;
  EXPECT_FALSE(source.ReadDataBlock(3, read) || source.GetBufferStatus(time, status));  // nothing yet
  CDataBlock settings;
  settings.AddF32(699, 2, 20.0F);
  source.SetDataBlock(settings);
  EXPECT_FALSE(source.ReadDataBlock(2, read));
  EXPECT_TRUE(source.ReadDataBlock(3, read) && read == settings);
  source.SetBufferStatus(4);
  EXPECT_TRUE(source.GetBufferStatus(time, status) && status == 4 && time > 0.0);
}

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

TEST(SensorData, AStoredBlockReachesTheSubscribersOfItsIdAndOnlyThoseAndALaterOneReplacesIt) {
  constexpr auto kBound = std::chrono::seconds(5);
  DataManager& manager = DataManager::GetDataManager();
  const CDataId sensor(1, 40, 1, 61);
  const CDataId other(2, 40, 1, 61);
  EXPECT_EQ(manager.FindDatablockBuffer(sensor), nullptr);
  DataSubscription followed;
  DataSubscription unrelated;
  BlockReader reader(followed);
  BlockReader bystander(unrelated);
  followed.SetSubscriber(&reader, false);
  unrelated.SetSubscriber(&bystander, false);
  EXPECT_EQ(followed.GetDataBuffer(), nullptr);  // not subscribed yet
  ASSERT_TRUE(followed.Subscribe(sensor) && unrelated.Subscribe(other));
  CDataBlock block;
  block.AddF64(801, 1, 1487.25);
  manager.StoreDataBlock(sensor, block);
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
  EXPECT_EQ(reader.notified, sensor);
  EXPECT_EQ(reader.read, block);
  EXPECT_FALSE(bystander.notified.has_value());
  EXPECT_EQ(manager.FindDatablockBuffer(other), nullptr);
  BaseDataSource* buffer = manager.FindDatablockBuffer(sensor);
  CDataBlock later;
  later.AddF64(801, 1, 1502.0);
  manager.StoreDataBlock(sensor, later);
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
  EXPECT_EQ(manager.FindDatablockBuffer(sensor), buffer);
  EXPECT_EQ(reader.read, later);
}

}  // namespace
