// A settings record written field by field at its offsets becomes the device's attributes in display
// units and its settings data block; what a settings block says of the ping's range and sound velocity.
#include "platform/zq/ZqSettingsDecoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/CDataBlock.h"
#include "platform/zq/ZqSettingsReadings.h"
#include "tests/platform/zq/ZqTestRecords.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
enum Kind { kU16, kU32, kU64, kF32, kRadians, kFlagOfTheWordAbove };

// Each field: where it is written and how, and the attribute it becomes.
const struct SettingsField {
  std::size_t offset;
  Kind kind;
  double written;
  const char* key;
  COrvType read;
} kFields[] = {
    {64, kU32, 4000000123.0, "ZqPingNumber", COrvInt64(4000000123)},  // beyond the range of int
    {68, kU16, 2, "DeviceEnum", COrvInt(2)},
    {70, kU16, 0b1101, "ZqPingOnOffState", COrvInt(1)},  // pinging, FM pulse, recording; no override
    {70, kFlagOfTheWordAbove, 0, "ZqSoundVelocityOverride", COrvBool(false)},
    {70, kFlagOfTheWordAbove, 0, "ZqPulseType", COrvInt(1)},
    {72, kF32, 396000, "ZqCWFrequency", COrvDouble(396.0)},
    {76, kF32, 150.5, "ZqRange", COrvDouble(150.5)},
    {80, kF32, 210, "ZqPower", COrvDouble(210.0)},
    {84, kF32, 0.0002, "ZqPulseLength", COrvDouble(static_cast<double>(0.0002F))},
    {88, kU32, 2, "ZqGainMode", COrvInt(2)},
    {92, kF32, 30, "ZqGain", COrvDouble(30.0)},
    {96, kF32, 12.5, "ZqMaxPingRate", COrvDouble(12.5)},
    // Angles sent as f32 radians read back exactly as whole and tenth degrees.
    {100, kRadians, 1, "ZqBeamWidthX", COrvDouble(1.0)},
    {104, kRadians, 0.7, "ZqBeamWidthZ", COrvDouble(0.7)},
    {108, kRadians, -12.3, "ZqProjBeamAngleVer", COrvDouble(-12.3)},
    {112, kRadians, 45, "ZqProjBeamAngleHor", COrvDouble(45.0)},
    {116, kF32, 60, "ZqAbsorption", COrvDouble(60.0)},
    {120, kF32, 20, "ZqSpreadingLoss", COrvDouble(20.0)},
    {124, kF32, 1493.5, "ZqSoundVelocity", COrvDouble(1493.5)},
    {128, kU32, 1, "ZqDataRecording", COrvInt(1)},
    {132, kU32, 87, "ZqDiskFree", COrvInt(87)},
    {136, kU64, 5000000000.0, "ZqFileSize", COrvInt64(5000000000)},
};

// A 660-byte settings record; the header is left zero (the decoder does not read it).
std::string SettingsRecord(float range = 150.5F, std::uint64_t fileSize = 5000000000) {
  std::string record(660, '\0');
  const auto b = std::as_writable_bytes(std::span(record.data(), record.size()));
  for (const SettingsField& f : kFields) {
    if (f.kind == kU16) le::PutU16(b, f.offset, static_cast<std::uint16_t>(f.written));
    if (f.kind == kU32) le::PutU32(b, f.offset, static_cast<std::uint32_t>(f.written));
    if (f.kind == kF32) le::PutF32(b, f.offset, static_cast<float>(f.written));
    if (f.kind == kRadians) le::PutF32(b, f.offset, static_cast<float>(f.written * kPi / 180.0));
  }
  le::PutF32(b, 76, range);
  le::PutU64(b, 136, fileSize);
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
  for (const SettingsField& f : kFields) EXPECT_EQ(map.FindValue(f.key), f.read) << f.key;
  EXPECT_EQ(map.FindValue("ZqDirectoryName"), COrvString("/data/r\xc3\xa9v"));
  EXPECT_EQ(map.FindValue("ZqFileName"), COrvString(CString(std::string(256, 'f'))));
  EXPECT_EQ(map.GetCount(), 24);
  int index = -1;
  double velocity = 0.0;
  ASSERT_TRUE(block->LookUp(401, 2, index) && block->GetElement(index)->GetValue(velocity));
  EXPECT_EQ(velocity, 1493.5);
  EXPECT_EQ(block->GetStatus(), 0);
  // A file size beyond the largest int64 is held there.
  ASSERT_TRUE(ZqSettingsDecoder::Decode(zqtest::Bytes(SettingsRecord(150.5F, ~0ULL)), map));
  EXPECT_EQ(map.FindValue("ZqFileSize"), COrvInt64(std::numeric_limits<std::int64_t>::max()));
}

// The range as f32 (699) and rounded to whole metres held to a u16 (609); a short record changes nothing.
TEST(ZqSettingsDecoder, RangeItemsRoundAndSaturateAndAShortRecordChangesNothing) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const std::pair<float, int> cases[] = {{150.5F, 151}, {70000.0F, 65535},
                                         {-5.0F, 0},    {-kInf, 0},
                                         {kInf, 65535}, {std::numeric_limits<float>::quiet_NaN(), 0}};
  for (const auto& [range, wholeMetres] : cases) {
    CAttributeMap map;
    const auto block = ZqSettingsDecoder::Decode(zqtest::Bytes(SettingsRecord(range)), map);
    ASSERT_TRUE(block.has_value());
    int at699 = -1;
    int at609 = -1;
    float f32 = 0.0F;
    std::uint16_t u16 = 1;
    ASSERT_TRUE(block->LookUp(699, 2, at699) && block->LookUp(609, 2, at609));
    EXPECT_TRUE(block->GetElement(at699)->GetValue(f32) && block->GetElement(at609)->GetValue(u16));
    EXPECT_TRUE(f32 == range || (std::isnan(range) && std::isnan(f32))) << range;
    EXPECT_EQ(u16, wholeMetres) << range;
  }
  std::string record = SettingsRecord();
  record.resize(659);
  CAttributeMap map;
  EXPECT_FALSE(ZqSettingsDecoder::Decode(zqtest::Bytes(record), map).has_value());
  EXPECT_EQ(map.GetCount(), 0);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// One element: item, second key, type ('f' f32, 'd' f64, 'u' u16), value, status.
struct Element {
  unsigned short item, key;
  char type;
  double value;
  unsigned short status = 0;
};
CDataBlock Block(const std::vector<Element>& elements) {
  CDataBlock block;
  for (const Element& e : elements) {
    if (e.type == 'f') block.AddF32(e.item, e.key, static_cast<float>(e.value), e.status);
    if (e.type == 'd') block.AddF64(e.item, e.key, e.value, e.status);
    if (e.type == 'u') block.AddU16(e.item, e.key, static_cast<std::uint16_t>(e.value), e.status);
  }
  return block;
}

// The float range (699) above zero, finite and valid; else the whole metres (609) above zero and valid.
TEST(ZqSettingsReadings, RangeIsTheFloatItemElseTheWholeMetresItem) {
  const std::pair<std::vector<Element>, std::optional<float>> cases[] = {
      {{{699, 2, 'f', 250.5}, {609, 2, 'u', 120}}, 250.5F},
      {{{699, 2, 'f', 0}, {609, 2, 'u', 120}}, 120.0F},
      {{{699, 2, 'f', -5}, {609, 2, 'u', 60}}, 60.0F},
      {{{699, 2, 'f', 300, 1}, {609, 2, 'u', 80}}, 80.0F},
      {{{699, 2, 'd', 300}, {609, 2, 'u', 90}}, 90.0F},
      {{{699, 2, 'f', kInf}, {609, 2, 'u', 65535}}, 65535.0F},
      {{{699, 2, 'f', kNaN}, {609, 2, 'u', 70}}, 70.0F},
      {{{699, 1, 'f', 300}, {609, 2, 'u', 0}, {401, 2, 'd', 1500}}, std::nullopt},
      {{{609, 2, 'u', 100, 4}}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const auto& [elements, expected] : cases) {
    float range = -1.0F;
    EXPECT_EQ(zqsettings::RangeOf(Block(elements), range) ? std::optional(range) : std::nullopt, expected)
        << elements.size() << " elements, first " << (elements.empty() ? 0 : elements[0].value);
  }
}

TEST(ZqSettingsReadings, SoundVelocityIs1500WhenMissingInvalidZeroOrNotFinite) {
  EXPECT_EQ(zqsettings::SoundVelocityOf(Block({{401, 2, 'd', 1480}})), 1480.0);
  EXPECT_EQ(zqsettings::SoundVelocityOf(Block({})), 1500.0);
  const Element unusable[] = {{401, 2, 'd', 0},     {401, 2, 'd', kNaN},    {401, 2, 'd', kInf},
                              {401, 2, 'd', -kInf}, {401, 2, 'd', 1480, 2}, {401, 2, 'f', 1480},
                              {401, 1, 'd', 1480}};
  for (const Element& e : unusable) EXPECT_EQ(zqsettings::SoundVelocityOf(Block({e})), 1500.0) << e.value;
}

}  // namespace
