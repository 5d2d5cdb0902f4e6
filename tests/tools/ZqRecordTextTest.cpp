// One-line descriptions of records, from hand-built record bytes.
#include "ZqRecordText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Builds record bytes from hex text.
std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

const std::string kHeaderStart = "05003c00ffff0000";
const std::string kStampAndVersion =
    "0000000000000000"
    "e8077f0000001841"
    "0708"
    "0100";
const std::string kHeaderEnd =
    "0000"
    "0100"
    "00000000"
    "0100"
    "0000000000000000000000000000";

TEST(ZqRecordText, DescribesARemoteControlWithItsPayload) {
  const std::string record = FromHex(kHeaderStart + "60000000" + kStampAndVersion +
                                     "4c1d0000"
                                     "591b0000" +
                                     kHeaderEnd +
                                     "eb030000eb030000"
                                     "0100000000000000"
                                     "0000000000000000"
                                     "00007a43"
                                     "00000000");
  EXPECT_EQ(DescribeZqRecord(record),
            "type 7500 remote control 1003 (range) to enum 1 id 7001, 96 bytes: f32 250");
}

TEST(ZqRecordText, DescribesSingleValueAndUnknownRecords) {
  const std::string absorption = FromHex(kHeaderStart + "48000000" + kStampAndVersion +
                                         "bb1d0000"
                                         "581b0000" +
                                         "0000"
                                         "0000"
                                         "00000000"
                                         "0100" +
                                         std::string(28, '0') +
                                         "00002042"
                                         "00000000");
  EXPECT_EQ(DescribeZqRecord(absorption), "type 7611 (absorption) to enum 0 id 7000, 72 bytes: f32 40");

  const std::string other = FromHex(kHeaderStart + "46000000" + kStampAndVersion +
                                    "fc030000"
                                    "581b0000" +
                                    "0000"
                                    "0000" +
                                    "00000000"
                                    "0100" +
                                    std::string(28, '0') +
                                    "ab01"
                                    "00000000");
  EXPECT_EQ(DescribeZqRecord(other), "type 1020 to enum 0 id 7000, 70 bytes: 2 bytes ab01");
}

TEST(ZqRecordText, ShortOrTruncatedRecordsAreSaidToBeSo) {
  EXPECT_EQ(DescribeZqRecord(std::string(10, '\0')), "short record of 10 bytes");
  // A remote control whose data section ends inside the remote-control header.
  const std::string truncated = FromHex(kHeaderStart + "5c000000" + kStampAndVersion +
                                        "4c1d0000"
                                        "581b0000" +
                                        kHeaderEnd +
                                        "eb030000"
                                        "00000000");
  const std::string text = DescribeZqRecord(truncated);
  EXPECT_NE(text.find("short"), std::string::npos) << text;
  EXPECT_NE(text.find("size field says 92"), std::string::npos) << text;
}

TEST(ZqRecordText, HexIsLowerCaseTwoDigitsAByte) {
  EXPECT_EQ(ToHex(std::string("\x00\x0f\xa0\xff", 4)), "000fa0ff");
}

}  // namespace
