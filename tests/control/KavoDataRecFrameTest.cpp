// The frame header that every record starts with.
#include "control/KavoDataRecFrame.h"

#include <gtest/gtest.h>

#include "tests/control/ControlDeviceFixture.h"

namespace {

std::string Hex(const CString& bytes) {
  std::string hex;
  for (const char c : bytes.Str()) hex += LeHex(static_cast<unsigned char>(c), 1);
  return hex;
}

// 2024-05-06 07:08:09.5 UTC: 19849 days after 1970-01-01 (54 years with 13 leap days, then 126 days of
// 2024), plus 7 h 8 min 9.5 s.
constexpr double kMay6th2024 = 19849.0 * 86400.0 + 7 * 3600 + 8 * 60 + 9.5;

TEST(KavoDataRecFrame, WritesEveryHeaderFieldLittleEndian) {
  CString record;
  KavoDataRecFrame().BuildHeader(record, 96, 7000, kMay6th2024, 0x0102, 7500, 0x11223344, 0xAABBCCDD);

  ASSERT_EQ(record.GetLength(), 96);
  // Version 5, data offset 60, sync pattern, size 96; the caller's two words; 2024, day 127, 9.5 s,
  // 07:08; record version 1, type 7500, identifier 7000; zero, device enum 0x0102, zero, flags 1, zero.
  EXPECT_EQ(Hex(record).substr(0, 128),
            Fields("0500 3c00 ffff0000 60000000 44332211 ddccbbaa e807 7f00 00001841 07 08 "
                   "0100 4c1d0000 581b0000 0000 0201 00000000 0100 0000000000000000000000000000"));
  EXPECT_EQ(Hex(record).substr(128), ZeroHex(32));  // a new buffer's data section is zero
}

TEST(KavoDataRecFrame, ZeroesTheHeaderButWritesNothingPastIt) {
  CString record(std::string(200, '\xEE'));
  char* first = KavoDataRecFrame().BuildHeader(record, 100, 1, kMay6th2024, 0, 7611, 0, 0);

  EXPECT_EQ(first, record.GetBuffer());
  ASSERT_EQ(record.GetLength(), 100);
  const std::string hex = Hex(record);
  EXPECT_EQ(hex.substr(80, 48), Fields("0000 0000 00000000 0100") + ZeroHex(14));  // bytes 40 to 63
  EXPECT_EQ(hex.substr(128), std::string(72, 'e'));  // the data section is the caller's
}

}  // namespace
