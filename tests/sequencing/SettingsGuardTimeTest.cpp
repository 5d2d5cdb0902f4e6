// What the sequencer reads from settings data, and the guard time it makes of it.
#include "sequencing/SettingsGuardTime.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/tavrin/CDataBlock.h"

namespace {

using sequencing::GuardTimeMs;
using sequencing::RangeOf;
using sequencing::SoundVelocityOf;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(SettingsGuardTime, RangeIsTheFloatItemElseTheWholeMetresItem) {
  float range = -1.0F;
  CDataBlock floatRange;
  floatRange.AddF32(699, 2, 250.5F);
  floatRange.AddU16(609, 2, 120);
  ASSERT_TRUE(RangeOf(floatRange, range));
  EXPECT_EQ(range, 250.5F);

  // A float range of 0, one not valid, or one of another type gives way to the whole metres.
  CDataBlock zero;
  zero.AddF32(699, 2, 0.0F);
  zero.AddU16(609, 2, 120);
  ASSERT_TRUE(RangeOf(zero, range));
  EXPECT_EQ(range, 120.0F);
  CDataBlock invalid;
  invalid.AddF32(699, 2, 300.0F, 1);
  invalid.AddU16(609, 2, 80);
  ASSERT_TRUE(RangeOf(invalid, range));
  EXPECT_EQ(range, 80.0F);
  CDataBlock wrongType;
  wrongType.AddF64(699, 2, 300.0);
  wrongType.AddU16(609, 2, 90);
  ASSERT_TRUE(RangeOf(wrongType, range));
  EXPECT_EQ(range, 90.0F);
  CDataBlock infinite;
  infinite.AddF32(699, 2, std::numeric_limits<float>::infinity());
  infinite.AddU16(609, 2, 65535);
  ASSERT_TRUE(RangeOf(infinite, range));
  EXPECT_EQ(range, 65535.0F);

  // Under another second key, not valid, or zero: no range at all.
  CDataBlock none;
  none.AddF32(699, 1, 300.0F);
  none.AddU16(609, 2, 0);
  none.AddF64(401, 2, 1500.0);
  EXPECT_FALSE(RangeOf(none, range));
  CDataBlock wholeInvalid;
  wholeInvalid.AddU16(609, 2, 100, 4);
  EXPECT_FALSE(RangeOf(wholeInvalid, range));
  EXPECT_FALSE(RangeOf(CDataBlock(), range));
}

TEST(SettingsGuardTime, SoundVelocityIs1500WhenMissingInvalidZeroOrNotFinite) {
  CDataBlock measured;
  measured.AddF64(401, 2, 1480.0);
  EXPECT_EQ(SoundVelocityOf(measured), 1480.0);
  for (const double unusable : {0.0, kNaN, kInfinity, -kInfinity}) {
    CDataBlock block;
    block.AddF64(401, 2, unusable);
    EXPECT_EQ(SoundVelocityOf(block), 1500.0) << unusable;
  }
  CDataBlock invalid;
  invalid.AddF64(401, 2, 1480.0, 2);
  EXPECT_EQ(SoundVelocityOf(invalid), 1500.0);
  CDataBlock single;
  single.AddF32(401, 2, 1480.0F);
  EXPECT_EQ(SoundVelocityOf(single), 1500.0);
  EXPECT_EQ(SoundVelocityOf(CDataBlock()), 1500.0);
}

TEST(SettingsGuardTime, GuardTimeIsTheTravelTimeTimesTheOverheadRounded) {
  EXPECT_EQ(GuardTimeMs(150.0F, 1500.0, 110.0), 220u);  // 200 ms there and back
  EXPECT_EQ(GuardTimeMs(150.0F, 1500.0, 0.0), 0u);
  EXPECT_EQ(GuardTimeMs(50.0F, 1480.0, 10.0), 7u);  // 67.57 ms: 6.757 rounds up
  EXPECT_EQ(GuardTimeMs(50.0F, 1500.0, 3.0), 2u);   // 66.67 ms: 2.0 rounds to 2
  EXPECT_EQ(GuardTimeMs(7.4F, 1500.0, 10.0), 1u);   // 9.87 ms: 0.987 rounds up
  EXPECT_EQ(GuardTimeMs(11000.0F, 1500.0, 100.0), 14667u);
  EXPECT_EQ(GuardTimeMs(150.0F, 1500.0, -50.0), 0u);  // no negative pause
  // Not a number is no pause; beyond a 64-bit count, the longest.
  EXPECT_EQ(GuardTimeMs(std::numeric_limits<float>::quiet_NaN(), 1500.0, 110.0), 0u);
  EXPECT_EQ(GuardTimeMs(150.0F, kNaN, 110.0), 0u);
  EXPECT_EQ(GuardTimeMs(150.0F, 1500.0, kNaN), 0u);
  EXPECT_EQ(GuardTimeMs(150.0F, 1500.0, kInfinity), 4294967295u);
  EXPECT_EQ(GuardTimeMs(std::numeric_limits<float>::infinity(), 1500.0, 110.0), 4294967295u);
  EXPECT_EQ(GuardTimeMs(150.0F, 1500.0, -kInfinity), 0u);
}

}  // namespace
