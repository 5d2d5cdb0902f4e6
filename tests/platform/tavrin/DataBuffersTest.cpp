// Data blocks and the buffers that hold them: typed elements read only as their own type and size,
// LookUp finds the first element of an item and second key, selector 3 serves the current settings
// block, and a sensor's stored block is kept by its id. (A block stored for a sonar reaching its device's
// own buffer: tests/frame/KavoSonarConfigurationTest.cpp.)
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "platform/tavrin/DataManager.h"

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

// (Its subscribers notified and reading it: tests/host/HostRuntimeTest.cpp, the sound velocity route.)
TEST(SensorData, AStoredBlockGetsABufferOfItsIdOnlyAndALaterOneReplacesItInTheSameBuffer) {
  DataManager& manager = DataManager::GetDataManager();
  const CDataId sensor(1, 40, 1, 61);
  EXPECT_EQ(manager.FindDatablockBuffer(sensor), nullptr);
  CDataBlock block;
  block.AddF64(801, 1, 1487.25);
  manager.StoreDataBlock(sensor, block);
  BaseDataSource* buffer = manager.FindDatablockBuffer(sensor);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(manager.FindDatablockBuffer(CDataId(2, 40, 1, 61)), nullptr);
  CDataBlock later;
  later.AddF64(801, 1, 1502.0);
  manager.StoreDataBlock(sensor, later);
  CDataBlock read;
  EXPECT_EQ(manager.FindDatablockBuffer(sensor), buffer);
  EXPECT_TRUE(buffer->ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, read) && read == later);
}

}  // namespace
