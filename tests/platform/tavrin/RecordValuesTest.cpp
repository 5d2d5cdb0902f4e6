// Record values: time stamps, the little-endian reader, data blocks and the buffers holding them. (What a
// sonar's buffer serves, and its status: tests/platform/zq/KavoDeviceRecordsTest.cpp, BufferStatusTest.cpp.)
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/LittleEndian.h"

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

// (Its subscribers notified and reading it: tests/host/HostRuntimeTest.cpp, the sound velocity route.)
TEST(SensorData, AStoredBlockGetsABufferOfItsIdOnlyAndALaterOneReplacesItInTheSameBuffer) {
  DataManager& manager = DataManager::GetDataManager();
  const CDataId sensor(1, 40, 1, 61);
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

// year/day hh:mm:seconds
std::string Stamp(double time) {
  tagTIMEZQ s;
  if (!CExTime::TimeToZqTime(time, &s)) return "refused";
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d %02d:%02d:%.9g", s.year, s.day, s.hours, s.minutes, s.seconds);
  return text;
}

// The stamp of 2024-05-06 07:08:09.5 is checked in every record the control device sends
// (tests/control/ControlDeviceRequestsTest.cpp); here the edges of years, minutes and the epoch.
TEST(ExTime, ZqTimeOfHandComputedInstants) {
  const std::pair<double, const char*> cases[] = {
      {1735689599.25, "2024/366 23:59:59.25"},  // 2025-01-01 is 1735689600
      {1735689600.0, "2025/1 00:00:0"},
      {-0.5, "1969/365 23:59:59.5"},  // the second still rounds down
      {std::numeric_limits<double>::quiet_NaN(), "refused"},
      {std::numeric_limits<double>::infinity(), "refused"},
      {-std::numeric_limits<double>::infinity(), "refused"},
      {1e300, "refused"},
  };
  for (const auto& [time, stamp] : cases) EXPECT_EQ(Stamp(time), stamp) << time;
  // 2024-05-06 07:08:59.9999995: the seconds round to 60.0 in single precision, yet the stamp must still
  // name a second of its minute.
  tagTIMEZQ stamp;
  ASSERT_TRUE(CExTime::TimeToZqTime(1714979339.9999995, &stamp));
  EXPECT_LT(stamp.seconds, 60.0F);
}

// The writers are checked in every record the control device sends; the reader refuses what does not fit.
TEST(LittleEndian, TheReaderRefusesWhatDoesNotFit) {
  // Eight bytes of nine: the reader must not look past its span.
  const le::ByteReader reader(std::string_view("\xEE\x34\x12\xD4\xC3\xB2\xA1\x08\x07", 8));
  constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();
  EXPECT_EQ(reader.U16(1), 0x1234u);
  EXPECT_EQ(reader.U32(4), 0x08A1B2C3u);  // the last four bytes fit
  EXPECT_FALSE(reader.U32(5).has_value());
  EXPECT_FALSE(reader.U8(8).has_value());
  EXPECT_FALSE(reader.U32(kHuge - 1).has_value());  // offset + size would wrap around
  EXPECT_FALSE(reader.Bytes(kHuge, 2).has_value());
  EXPECT_FALSE(reader.Bytes(2, kHuge).has_value());
  EXPECT_TRUE(reader.Bytes(8, 0).has_value());  // an empty read at the very end fits
  EXPECT_FALSE(reader.Bytes(9, 0).has_value());
}

}  // namespace
