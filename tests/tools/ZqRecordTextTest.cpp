// One-line descriptions of hand-built records. (Single values and short records: ZqDumpTest's lines.)
#include "tools/ZqRecordText.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/tools/HexBytes.h"

namespace {

// A frame header of a record of `size` (hex) and `type` to identifier `id`, device enum 1: time stamp
// 2024 day 127 07:08:09.5, record version 1, flags 1.
std::string Header(std::string_view size, std::string_view type, std::string_view id) {
  return HexBytes("05003c00 ffff0000") + HexBytes(size) +
         HexBytes("0000000000000000 e807 7f00 00001841 07 08 0100") + HexBytes(type) + HexBytes(id) +
         HexBytes("0000 0100 00000000 0100 0000000000000000000000000000");
}

TEST(ZqRecordText, DescribesOtherRecordsAndTruncatedRemoteControls) {
  const std::pair<std::string, std::string> cases[] = {
      {Header("46000000", "611e0000", "581b0000") + HexBytes("ab01 00000000"),
       "type 7777 to enum 1 id 7000, 70 bytes: 2 bytes ab01"},
      // A remote control whose data section ends inside the remote-control header.
      {Header("5c000000", "4c1d0000", "581b0000") + HexBytes("eb030000 00000000"),
       "type 7500 to enum 1 id 7000, 72 bytes (size field says 92), short"},
  };
  for (const auto& [record, text] : cases) EXPECT_EQ(DescribeZqRecord(record), text);
}

}  // namespace
