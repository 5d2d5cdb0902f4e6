// One-line descriptions of records, from hand-built record bytes.
#include "tools/ZqRecordText.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

// Record bytes from hex written with spaces between fields.
std::string FromHex(std::string_view spacedHex) {
  std::string hex;
  for (const char c : spacedHex) {
    if (c != ' ') hex += c;
  }
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// A frame header of a record of `size` (hex) and `type` to identifier `id`, device enum 1: time stamp
// 2024 day 127 07:08:09.5, record version 1, flags 1.
std::string Header(std::string_view size, std::string_view type, std::string_view id) {
  return FromHex("05003c00 ffff0000") + FromHex(size) +
         FromHex("0000000000000000 e807 7f00 00001841 07 08 0100") + FromHex(type) + FromHex(id) +
         FromHex("0000 0100 00000000 0100 0000000000000000000000000000");
}

TEST(ZqRecordText, DescribesRemoteControlsSingleValuesAndOtherRecords) {
  const std::string range = Header("60000000", "4c1d0000", "591b0000") +
                            FromHex("eb030000 eb030000 0100000000000000 0000000000000000 00007a43 00000000");
  EXPECT_EQ(DescribeZqRecord(range),
            "type 7500 remote control 1003 (range) to enum 1 id 7001, 96 bytes: f32 250");

  const std::string absorption = Header("48000000", "bb1d0000", "581b0000") + FromHex("00002042 00000000");
  EXPECT_EQ(DescribeZqRecord(absorption), "type 7611 (absorption) to enum 1 id 7000, 72 bytes: f32 40");

  const std::string other = Header("46000000", "611e0000", "581b0000") + FromHex("ab01 00000000");
  EXPECT_EQ(DescribeZqRecord(other), "type 7777 to enum 1 id 7000, 70 bytes: 2 bytes ab01");
}

TEST(ZqRecordText, ShortOrTruncatedRecordsAreSaidToBeSo) {
  EXPECT_EQ(DescribeZqRecord(std::string(10, '\0')), "short record of 10 bytes");
  // A remote control whose data section ends inside the remote-control header.
  const std::string truncated = Header("5c000000", "4c1d0000", "581b0000") + FromHex("eb030000 00000000");
  EXPECT_EQ(DescribeZqRecord(truncated), "type 7500 to enum 1 id 7000, 72 bytes (size field says 92), short");
}

}  // namespace
