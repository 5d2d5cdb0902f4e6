// Data identifiers, the record time stamp and the little-endian byte helpers records are built with.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "tavrin/CDataId.h"
#include "tavrin/CExTime.h"
#include "tavrin/LittleEndian.h"

namespace {

// 2024-05-06 07:08:09.5 UTC. 2024-01-01 is 19723 days after 1970-01-01 (54 years of 365 days plus 13 leap
// days, 1972 to 2020); 6 May is day 127 of 2024 (31 + 29 + 31 + 30 + 6), 126 days later: 19849 days, that
// is 1714953600 s, plus 7 h 8 min 9 s = 25689 s.
constexpr double kMay6th2024 = 1714979289.5;
// 2024-12-31 23:59:59.25 UTC: 2025-01-01 is 1704067200 + 366 * 86400 = 1735689600, less 0.75 s.
constexpr double kLastSecondOf2024 = 1735689599.25;

std::vector<std::byte> Bytes(std::initializer_list<unsigned> values) {
  std::vector<std::byte> bytes;
  for (const unsigned value : values) bytes.push_back(static_cast<std::byte>(value));
  return bytes;
}

TEST(DataId, KeyComparisonAndUndefined) {
  const CDataId id(1, 78, 2, 3);
  EXPECT_EQ(id.GetKey(), CString("1.78.2.3"));  // constructor order
  EXPECT_EQ(id.GetGroupId(), 78);
  EXPECT_EQ(id.GetVesselId(), 3);
  EXPECT_EQ(CDataId(65535, 0, 40, 12).GetKey(), CString("65535.0.40.12"));

  EXPECT_EQ(id, CDataId(1, 78, 2, 3));
  EXPECT_LT(CDataId(1, 78, 1, 1), CDataId(1, 78, 1, 2));
  EXPECT_LT(CDataId(1, 78, 9, 9), CDataId(2, 0, 0, 0));
  EXPECT_LT(CDataId(1, 40, 9, 9), CDataId(1, 78, 0, 0));

  CDataId undefined;
  EXPECT_TRUE(undefined.IsUndefined());
  EXPECT_FALSE(id.IsUndefined());
  EXPECT_FALSE(CDataId(65535, 65535, 65535, 0).IsUndefined());
  undefined = id;
  undefined.SetUndefined();
  EXPECT_EQ(undefined, CDataId(65535, 65535, 65535, 65535));
}

void ExpectStamp(double time, int year, int day, int hours, int minutes, float seconds) {
  tagTIMEZQ stamp;
  ASSERT_TRUE(CExTime::TimeToZqTime(time, &stamp)) << time;
  EXPECT_EQ(stamp.year, year) << time;
  EXPECT_EQ(stamp.day, day) << time;
  EXPECT_EQ(stamp.hours, hours) << time;
  EXPECT_EQ(stamp.minutes, minutes) << time;
  EXPECT_EQ(stamp.seconds, seconds) << time;
}

TEST(ExTime, ZqTimeOfHandComputedInstants) {
  ExpectStamp(kMay6th2024, 2024, 127, 7, 8, 9.5F);
  ExpectStamp(kLastSecondOf2024, 2024, 366, 23, 59, 59.25F);  // leap year: 31 December is day 366
  ExpectStamp(1735689600.0, 2025, 1, 0, 0, 0.0F);
  ExpectStamp(1704067199.25, 2023, 365, 23, 59, 59.25F);  // no leap year: 31 December is day 365
  ExpectStamp(0.0, 1970, 1, 0, 0, 0.0F);
  ExpectStamp(-0.5, 1969, 365, 23, 59, 59.5F);  // before the epoch the second still rounds down
}

// 59.9999995 s rounds to 60.0 in single precision; the stamp must still name a second of its minute.
TEST(ExTime, ZqTimeSecondsStayWithinTheMinute) {
  tagTIMEZQ stamp;
  ASSERT_TRUE(CExTime::TimeToZqTime(kMay6th2024 + 50.4999995, &stamp));  // 07:08:59.9999995
  EXPECT_LT(stamp.seconds, 60.0F);
}

TEST(ExTime, ZqTimeRefusesTimesTheCalendarCannotHold) {
  for (const double time : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(), 1e300}) {
    tagTIMEZQ stamp{2024, 127, 9.5F, 7, 8};
    EXPECT_FALSE(CExTime::TimeToZqTime(time, &stamp)) << time;
    EXPECT_EQ(stamp.year, 0);
    EXPECT_EQ(stamp.day, 0);
    EXPECT_EQ(stamp.seconds, 0.0F);
  }
  EXPECT_FALSE(CExTime::TimeToZqTime(kMay6th2024, nullptr));
}

TEST(ExTime, PutZqTimeWritesTenBytesAtAnUnalignedOffset) {
  std::vector<std::byte> buffer(16, std::byte{0xEE});
  tagTIMEZQ stamp;
  ASSERT_TRUE(CExTime::TimeToZqTime(kMay6th2024, &stamp));
  CExTime::PutZqTime(buffer, 3, stamp);
  EXPECT_EQ(buffer, Bytes({0xEE, 0xEE, 0xEE,        // untouched
                           0xE8, 0x07, 0x7F, 0x00,  // year 2024, day 127
                           0x00, 0x00, 0x18, 0x41,  // 9.5 s
                           0x07, 0x08,              // 07:08
                           0xEE, 0xEE, 0xEE}));     // untouched

  std::array<std::byte, 10> exact{};
  ASSERT_TRUE(CExTime::TimeToZqTime(kLastSecondOf2024, &stamp));
  CExTime::PutZqTime(exact, 0, stamp);
  const std::vector<std::byte> expected = Bytes({0xE8, 0x07, 0x6E, 0x01,  // year 2024, day 366
                                                 0x00, 0x00, 0x6D, 0x42,  // 59.25 s
                                                 0x17, 0x3B});            // 23:59
  EXPECT_EQ(std::vector<std::byte>(exact.begin(), exact.end()), expected);
}

TEST(ExTime, CalendarTimeRoundsDownAndDegreesConvertToRadians) {
  EXPECT_EQ(CExTime::ConvertToCTime(kMay6th2024), 1714979289);
  EXPECT_EQ(CExTime::ConvertToCTime(-0.5), -1);
  EXPECT_DOUBLE_EQ(D_TO_R * 180.0, 3.14159265358979323846);
}

TEST(LittleEndian, WritersPutLeastSignificantByteFirstAtAnyOffset) {
  std::vector<std::byte> buffer(24, std::byte{0xEE});
  le::PutU16(buffer, 1, 0x1234);
  le::PutU32(buffer, 3, 0xA1B2C3D4);
  le::PutU64(buffer, 7, 0x0102030405060708);
  le::PutF32(buffer, 15, -2.0F);  // 0xC0000000
  le::PutI32(buffer, 19, -2);     // 0xFFFFFFFE
  EXPECT_EQ(buffer, Bytes({0xEE, 0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 0x08, 0x07, 0x06, 0x05, 0x04,
                           0x03, 0x02, 0x01, 0x00, 0x00, 0x00, 0xC0, 0xFE, 0xFF, 0xFF, 0xFF, 0xEE}));
}

TEST(LittleEndian, ReaderReadsWhatFits) {
  const std::vector<std::byte> bytes =
      Bytes({0xEE, 0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 0x00, 0x00, 0x18, 0x41});
  const le::ByteReader reader(bytes);
  EXPECT_EQ(reader.U8(0), 0xEE);
  EXPECT_EQ(reader.U16(1), 0x1234);
  EXPECT_EQ(reader.U32(3), 0xA1B2C3D4u);
  EXPECT_EQ(reader.I32(3), static_cast<std::int32_t>(0xA1B2C3D4u));
  EXPECT_EQ(reader.F32(7), 9.5F);
  EXPECT_EQ(reader.U64(3), 0x41180000A1B2C3D4u);
  ASSERT_TRUE(reader.Bytes(11, 0).has_value());  // an empty read at the very end fits
  EXPECT_TRUE(reader.Bytes(11, 0)->empty());
}

TEST(LittleEndian, ReaderGivesNothingForReadsThatDoNotFit) {
  const std::vector<std::byte> bytes(8, std::byte{0x01});
  const le::ByteReader reader(bytes);
  constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();
  EXPECT_TRUE(reader.U32(4).has_value());
  EXPECT_FALSE(reader.U32(5).has_value());  // near the end: three of four bytes are there
  EXPECT_FALSE(reader.U64(1).has_value());
  EXPECT_FALSE(reader.U8(8).has_value());  // just past the end
  EXPECT_FALSE(reader.U16(100).has_value());
  EXPECT_FALSE(reader.U32(kHuge - 1).has_value());  // offset + size would wrap around
  EXPECT_FALSE(reader.F64(kHuge).has_value());
  EXPECT_FALSE(reader.Bytes(kHuge, 2).has_value());
  EXPECT_FALSE(reader.Bytes(2, kHuge).has_value());
  EXPECT_FALSE(reader.Bytes(9, 0).has_value());
  EXPECT_FALSE(le::ByteReader(std::span<const std::byte>()).U8(0).has_value());
}

}  // namespace
