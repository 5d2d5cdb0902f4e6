// The frame header that every record starts with.
#include "control/KavoDataRecFrame.h"

#include <gtest/gtest.h>

#include "tests/control/ControlDeviceFixture.h"

namespace {

// The header is zeroed and written, at the size asked for; what lies past it is the caller's.
TEST(KavoDataRecFrame, WritesEveryHeaderFieldLittleEndianAndNothingPastIt) {
  CString record(std::string(200, '\xEE'));
  const char* first =
      KavoDataRecFrame().BuildHeader(record, 100, 7000, kMay6th2024, 0x0102, 7500, 0x11223344, 0xAABBCCDD);
  EXPECT_EQ(first, record.GetBuffer());
  // Version 5, data offset 60, sync pattern, size 100; the caller's two words; the time stamp; record
  // version 1, type 7500, identifier 7000; zero, device enum 0x0102, zero, flags 1, zero.
  EXPECT_EQ(Hex(record.Str()),
            Fields("0500 3c00 ffff0000 64000000 44332211 ddccbbaa e807 7f00 00001841 07 08 "
                   "0100 4c1d0000 581b0000 0000 0201 00000000 0100 0000000000000000000000000000") +
                std::string(72, 'e'));
}

}  // namespace
