// Record values: data identifiers, time stamps, the little-endian reader, data blocks and the buffers
// holding them. (A block stored for a sonar reaching its device: tests/frame/KavoSonarConfigurationTest.cpp.)
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/tavrin/CDataId.h"
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

// 2024-05-06 07:08:09.5 UTC: 19849 days (54 years, 13 of them leap, to 2024-01-01, then 126 days to
// 6 May) are 1714953600 s, plus 7 h 8 min 9.5 s.
constexpr double kMay6th2024 = 1714979289.5;

std::vector<std::byte> Bytes(std::initializer_list<unsigned> values) {
  std::vector<std::byte> bytes;
  for (const unsigned value : values) bytes.push_back(static_cast<std::byte>(value));
  return bytes;
}

// An all-65535 identifier but its vessel is still a device's: undefined is all four at their default.
TEST(DataId, KeyAndUndefined) {
  EXPECT_EQ(CDataId(65535, 0, 40, 12).GetKey(), CString("65535.0.40.12"));
  CDataId id(1, 78, 2, 3);
  EXPECT_FALSE(id.IsUndefined() || CDataId(65535, 65535, 65535, 0).IsUndefined());
  id.SetUndefined();
  EXPECT_TRUE(id == CDataId() && id.IsUndefined());
}

// year/day hh:mm:seconds
std::string Stamp(double time) {
  tagTIMEZQ s;
  if (!CExTime::TimeToZqTime(time, &s)) return "refused";
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d %02d:%02d:%.9g", s.year, s.day, s.hours, s.minutes, s.seconds);
  return text;
}

// The stamp's ten bytes are checked in every record the control device sends
// (tests/control/ControlDeviceRequestsTest.cpp).
TEST(ExTime, ZqTimeOfHandComputedInstants) {
  const std::pair<double, const char*> cases[] = {
      {kMay6th2024, "2024/127 07:08:9.5"},
      {1735689599.25, "2024/366 23:59:59.25"},  // 2025-01-01 is 1735689600
      {1735689600.0, "2025/1 00:00:0"},
      {-0.5, "1969/365 23:59:59.5"},  // the second still rounds down
      {std::numeric_limits<double>::quiet_NaN(), "refused"},
      {std::numeric_limits<double>::infinity(), "refused"},
      {-std::numeric_limits<double>::infinity(), "refused"},
      {1e300, "refused"},
  };
  for (const auto& [time, stamp] : cases) EXPECT_EQ(Stamp(time), stamp) << time;
  // 59.9999995 s rounds to 60.0 in single precision; the stamp must still name a second of its minute.
  tagTIMEZQ stamp;
  ASSERT_TRUE(CExTime::TimeToZqTime(kMay6th2024 + 50.4999995, &stamp));
  EXPECT_LT(stamp.seconds, 60.0F);
}

// The writers are checked in every record the control device sends; the reader refuses what does not fit.
TEST(LittleEndian, TheReaderRefusesWhatDoesNotFit) {
  const std::vector<std::byte> buffer = Bytes({0xEE, 0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 0x08, 0x07});
  const le::ByteReader reader(std::span<const std::byte>(buffer).first(8));
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
