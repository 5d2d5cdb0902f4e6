// The frame header that every record starts with.
#include "control/KavoDataRecFrame.h"

#include <gtest/gtest.h>

#include "ControlDeviceFixture.h"

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
  const std::string expected =
      "0500"      // protocol version 5
      "3c00"      // data section offset from the sync pattern: 60
      "ffff0000"  // sync pattern
      "60000000"  // total size 96
      "44332211"  // word at 12
      "ddccbbaa"  // word at 16
      "e807"
      "7f00"      // 2024, day 127
      "00001841"  // 9.5 s
      "07"
      "08"        // 07:08
      "0100"      // record version 1
      "4c1d0000"  // record type 7500
      "581b0000"  // device identifier 7000
      "0000"      // zero
      "0201"      // device enum 0x0102
      "00000000"  // zero
      "0100"      // flags 1
      "0000000000000000000000000000";
  EXPECT_EQ(Hex(record).substr(0, 128), expected);
}

TEST(KavoDataRecFrame, ZeroesTheHeaderButWritesNothingPastIt) {
  CString record(std::string(100, '\xEE'));
  char* first = KavoDataRecFrame().BuildHeader(record, 100, 1, kMay6th2024, 0, 7611, 0, 0);

  EXPECT_EQ(first, record.GetBuffer());
  const std::string hex = Hex(record);
  EXPECT_EQ(hex.substr(80, 20), "0000" "0000" "00000000" "0100");  // bytes 40 to 49: zero, enum 0, zero, flags
  EXPECT_EQ(hex.substr(100, 28), ZeroHex(14));            // bytes 50 to 63
  EXPECT_EQ(hex.substr(128), std::string(72, 'e'));       // the data section is the caller's
}

TEST(KavoDataRecFrame, SizesTheBufferToTheTotalSize) {
  CString record(std::string(200, 'x'));
  KavoDataRecFrame().BuildHeader(record, 72, 7000, kMay6th2024, 0, 7612, 0, 0);
  EXPECT_EQ(record.GetLength(), 72);

  CString grown;
  KavoDataRecFrame().BuildHeader(grown, 92, 7000, kMay6th2024, 0, 7500, 0, 0);
  ASSERT_EQ(grown.GetLength(), 92);
  EXPECT_EQ(Hex(grown).substr(128), ZeroHex(28));  // new bytes after the header are zero
}

}  // namespace
