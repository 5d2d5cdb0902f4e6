// A settings record written field by field at its offsets becomes the device's attributes in display
// units and its settings data block.
#include "platform/zq/ZqSettingsDecoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tests/platform/zq/ZqTestRecords.h"

namespace {

using zqtest::Read;
constexpr double kPi = 3.14159265358979323846;

// A 660-byte settings record: header left zero (the decoder does not read it), fields by hand.
std::string SettingsRecord(float range = 150.5F) {
  std::string record(660, '\0');
  const auto b = std::as_writable_bytes(std::span(record.data(), record.size()));
  le::PutU32(b, 64, 4000000123u);  // beyond the range of int
  le::PutU16(b, 68, 2);
  le::PutU16(b, 70, 0b1101);  // pinging, FM pulse, recording; no sound-velocity override
  le::PutF32(b, 72, 396000.0F);
  le::PutF32(b, 76, range);
  le::PutF32(b, 80, 210.0F);
  le::PutF32(b, 84, 0.0002F);
  le::PutU32(b, 88, 2);
  le::PutF32(b, 92, 30.0F);
  le::PutF32(b, 96, 12.5F);
  // Angles as the sonar sends them: single-precision radians of 1, 0.7, -12.3 and 45 degrees.
  le::PutF32(b, 100, static_cast<float>(kPi / 180.0));
  le::PutF32(b, 104, static_cast<float>(0.7 * kPi / 180.0));
  le::PutF32(b, 108, static_cast<float>(-12.3 * kPi / 180.0));
  le::PutF32(b, 112, static_cast<float>(kPi / 4.0));
  le::PutF32(b, 116, 60.0F);
  le::PutF32(b, 120, 20.0F);
  le::PutF32(b, 124, 1493.5F);
  le::PutU32(b, 128, 1);
  le::PutU32(b, 132, 87);
  le::PutU64(b, 136, 5000000000ull);
  // A directory in Latin-1, and a file name that fills its 256 bytes with no terminating zero.
  le::PutBytes(b, 144, "/data/r\xe9v", 9);
  const std::string fileName(256, 'f');
  le::PutBytes(b, 400, fileName.data(), fileName.size());
  return record;
}

TEST(ZqSettingsDecoder, WritesEveryAttributeInDisplayUnitsAndTheRangeAndSoundVelocityItems) {
  CAttributeMap map;
  map.Add("ZqRange", COrvInt(5));  // replaced whatever its type
  const auto block = ZqSettingsDecoder::Decode(zqtest::Bytes(SettingsRecord()), map);
  ASSERT_TRUE(block.has_value());
  const CAttributeMap* m = &map;
  EXPECT_EQ(Read<std::int64_t>(m, "ZqPingNumber"), 4000000123);
  EXPECT_EQ(Read<std::int64_t>(m, "ZqFileSize"), 5000000000);
  for (const auto& [key, value] : {std::pair("DeviceEnum", 2),
                                   {"ZqPingOnOffState", 1},
                                   {"ZqPulseType", 1},
                                   {"ZqGainMode", 2},
                                   {"ZqDataRecording", 1},
                                   {"ZqDiskFree", 87}}) {
    EXPECT_EQ(Read<int>(m, key), value) << key;
  }
  EXPECT_FALSE(Read<bool>(m, "ZqSoundVelocityOverride"));
  // Display units: kHz, and degrees from radians.
  for (const auto& [key, value] : {std::pair("ZqCWFrequency", 396.0),
                                   {"ZqRange", 150.5},
                                   {"ZqPower", 210.0},
                                   {"ZqPulseLength", 0.0002},
                                   {"ZqGain", 30.0},
                                   {"ZqMaxPingRate", 12.5},
                                   {"ZqAbsorption", 60.0},
                                   {"ZqSpreadingLoss", 20.0},
                                   {"ZqSoundVelocity", 1493.5}}) {
    EXPECT_NEAR(Read<double>(m, key), value, 1e-5) << key;
  }
  // Angles read back exactly as whole and tenth degrees.
  for (const auto& [key, value] : {std::pair("ZqBeamWidthX", 1.0),
                                   {"ZqBeamWidthZ", 0.7},
                                   {"ZqProjBeamAngleVer", -12.3},
                                   {"ZqProjBeamAngleHor", 45.0}}) {
    EXPECT_EQ(Read<double>(m, key), value) << key;
  }
  EXPECT_EQ(Read<CString>(m, "ZqDirectoryName"), CString("/data/r\xc3\xa9v"));
  EXPECT_EQ(Read<CString>(m, "ZqFileName"), CString(std::string(256, 'f')));

  int index = -1;
  double velocity = 0.0;
  ASSERT_TRUE(block->LookUp(401, 2, index) && block->GetElement(index)->GetValue(velocity));
  EXPECT_EQ(velocity, 1493.5);
  EXPECT_EQ(block->GetStatus(), 0);
}

TEST(ZqSettingsDecoder, RangeItemsRoundAndSaturateAndAShortRecordChangesNothing) {
  const auto items = [](float range) {
    CAttributeMap map;
    const auto block = ZqSettingsDecoder::Decode(zqtest::Bytes(SettingsRecord(range)), map);
    int at699 = -1;
    int at609 = -1;
    float f32 = 0.0F;
    std::uint16_t u16 = 1;
    if (!block || !block->LookUp(699, 2, at699) || !block->LookUp(609, 2, at609)) return std::pair(-1.0F, -1);
    if (!block->GetElement(at699)->GetValue(f32) || !block->GetElement(at609)->GetValue(u16))
      return std::pair(-1.0F, -1);
    return std::pair(f32, static_cast<int>(u16));
  };
  EXPECT_EQ(items(150.5F), std::pair(150.5F, 151));
  EXPECT_EQ(items(70000.0F), std::pair(70000.0F, 65535));
  EXPECT_EQ(items(-5.0F), std::pair(-5.0F, 0));
  EXPECT_EQ(items(-std::numeric_limits<float>::infinity()).second, 0);
  EXPECT_EQ(items(std::numeric_limits<float>::infinity()).second, 65535);
  EXPECT_EQ(items(std::numeric_limits<float>::quiet_NaN()).second, 0);

  std::string record = SettingsRecord();
  record.resize(659);
  CAttributeMap map;
  EXPECT_FALSE(ZqSettingsDecoder::Decode(zqtest::Bytes(record), map).has_value());
  EXPECT_EQ(map.GetCount(), 0);
}

}  // namespace
