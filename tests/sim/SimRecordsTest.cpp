// Byte layouts of the BITE and event data sections against offsets worked out by hand, and the ping
// log's lines.
#include "sim/SimRecords.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <tuple>

#include "platform/tavrin/LittleEndian.h"
#include "sim/PingLog.h"

namespace {

// Where each board and field sits is read back from the head's BITE record in SimHeadTest; no board of
// the models has a text this long.
TEST(SimRecordsTest, ABoardTextIsCutToLeaveItsZero) {
  const std::string data = simrecords::BiteData({{std::string(70, 'x'), 40, 0, {}}});
  ASSERT_EQ(data.size(), 2u + 136u);
  EXPECT_EQ(std::string(data.c_str() + 2), std::string(63, 'x'));
  EXPECT_EQ(le::ByteReader(data).U8(66), 40);
}

// An event list's entries are read back from the head's answer in SimHeadTest.
TEST(SimRecordsTest, EventLayout) {
  const std::string one = simrecords::EventData({7, 2, "Range 900.0 clamped to 500.0"});  // 28 characters
  ASSERT_EQ(one.size(), 14u + 29u);
  const le::ByteReader e(one);
  EXPECT_EQ(std::make_tuple(*e.U32(0), *e.U32(4), *e.U16(8), *e.U16(10)), std::make_tuple(7u, 0u, 2, 29));
  EXPECT_STREQ(one.c_str() + 14, "Range 900.0 clamped to 500.0");
}

// Several sonars on their threads writing one log are in the end-to-end SequencedPingingTest.
TEST(SimRecordsTest, PingLogLinesAppendToTheFileAndAFileThatCannotBeOpenedIsNamed) {
  const std::string path = ::testing::TempDir() + "sim_ping_log_test.jsonl";
  std::ofstream(path) << "before\n";
  std::string error;
  const auto log = PingLog::Open(path, error);
  ASSERT_TRUE(log) << error;
  log->Write("a", 1, {3, 1, 1.5, 1.75, "1107"});
  log->Write("b", 0, {1, 0, 2.0, 2.5, "free"});
  std::ifstream file(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}),
            "before\n"
            R"({"sonar":"a","deviceEnum":1,"ping":3,"start":1.5,"end":1.75,"trigger":"1107"})"
            "\n"
            R"({"sonar":"b","deviceEnum":0,"ping":1,"start":2.0,"end":2.5,"trigger":"free"})"
            "\n");
  std::remove(path.c_str());
  EXPECT_FALSE(PingLog::Open("/nonexistent-folder/log.jsonl", error));
  EXPECT_NE(error.find("/nonexistent-folder/log.jsonl"), std::string::npos);
}

}  // namespace
