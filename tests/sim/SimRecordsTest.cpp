// Byte layouts of the BITE and event data sections against offsets worked out by hand, and the ping
// log's lines.
#include "sim/SimRecords.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/tavrin/LittleEndian.h"
#include "sim/PingLog.h"

namespace {

TEST(SimRecordsTest, BiteBoardsAndFieldsSitAtTheirOffsets) {
  const std::vector<SimBoardReport> boards{
      {"Projector", 36, 5, {{"High voltage", 2, 180.0F, 220.0F, 201.5F}, {"State", 1, 0.0F, 0.0F, 1.0F}}},
      {std::string(70, 'x'), 40, 0, {}},
  };
  const std::string data = simrecords::BiteData(boards);
  // 2 + (136 + 2 * 79) + 136
  ASSERT_EQ(data.size(), 432u);
  const le::ByteReader r(data);
  EXPECT_EQ(r.U16(0), 2);
  EXPECT_STREQ(data.c_str() + 2, "Projector");
  EXPECT_EQ(r.U8(66), 36);                           // 2 + 64
  EXPECT_EQ(r.U8(103), 5);                           // 2 + 101
  EXPECT_EQ(r.U16(104), 2);                          // 2 + 102
  EXPECT_STREQ(data.c_str() + 140, "High voltage");  // 2 + 136 + 2
  EXPECT_EQ(r.U8(204), 2);                           // 138 + 66
  EXPECT_EQ(r.F32(205), 180.0F);
  EXPECT_EQ(r.F32(209), 220.0F);
  EXPECT_EQ(r.F32(213), 201.5F);
  EXPECT_STREQ(data.c_str() + 219, "State");  // 138 + 79 + 2
  // Second board at 2 + 136 + 158 = 296: its text is cut to 63 bytes and a zero.
  EXPECT_EQ(std::string(data.c_str() + 296), std::string(63, 'x'));
  EXPECT_EQ(r.U8(360), 40);
  EXPECT_EQ(r.U16(398), 0);
}

TEST(SimRecordsTest, EventAndEventListLayouts) {
  const SimEvent warning{7, 2, "Range 900.0 clamped to 500.0"};  // 28 characters
  const std::string one = simrecords::EventData(warning);
  ASSERT_EQ(one.size(), 14u + 29u);
  const le::ByteReader e(one);
  EXPECT_EQ(e.U32(0), 7u);
  EXPECT_EQ(e.U32(4), 0u);
  EXPECT_EQ(e.U16(8), 2);
  EXPECT_EQ(e.U16(10), 29);
  EXPECT_STREQ(one.c_str() + 14, "Range 900.0 clamped to 500.0");

  const std::string list = simrecords::EventListData({warning, {8, 1, "Pinging stopped"}});
  // 12 + (22 + 29) + (22 + 16)
  ASSERT_EQ(list.size(), 101u);
  const le::ByteReader l(list);
  EXPECT_EQ(l.U64(0), 0u);
  EXPECT_EQ(l.U32(8), 2u);
  EXPECT_EQ(l.U16(12), 2);
  EXPECT_EQ(l.U32(14), 7u);
  EXPECT_EQ(l.U16(22), 29);
  EXPECT_STREQ(list.c_str() + 34, "Range 900.0 clamped to 500.0");
  EXPECT_EQ(l.U16(63), 1);  // second entry at 12 + 51
  EXPECT_EQ(l.U32(65), 8u);
  EXPECT_EQ(l.U16(73), 16);
  EXPECT_STREQ(list.c_str() + 85, "Pinging stopped");
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
