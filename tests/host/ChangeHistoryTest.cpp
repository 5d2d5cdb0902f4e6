// The change history's log: order and filters, confirmation, reopening, the bound on the file, damaged
// lines, the CSV form, and many threads at once.
#include "host/ChangeHistory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

namespace {

HistoryEntry Change(double time, std::string device, std::string key, COrvType from, COrvType to,
                    std::string source = "api", std::string client = "127.0.0.1 (Ann)") {
  HistoryEntry entry;
  entry.time = time;
  entry.device = std::move(device);
  entry.key = std::move(key);
  entry.from = std::move(from);
  entry.to = std::move(to);
  entry.source = std::move(source);
  entry.client = std::move(client);
  return entry;
}

std::vector<std::uint64_t> SeqsOf(const std::string& json) {
  std::vector<std::uint64_t> seqs;
  for (const auto& entry : nlohmann::json::parse(json)) seqs.push_back(entry.at("seq").get<std::uint64_t>());
  return seqs;
}

class ChangeHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("change-history-test-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    file_ = folder_ / "history.jsonl";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::unique_ptr<ChangeHistory> Open(std::size_t maxEntries = ChangeHistory::kDefaultMaxEntries) {
    std::string error;
    auto history = ChangeHistory::Open(file_, maxEntries, error);
    EXPECT_NE(history, nullptr) << error;
    return history;
  }

  std::filesystem::path folder_;
  std::filesystem::path file_;
};

TEST_F(ChangeHistoryTest, AnswersNewestFirstFilteredByDeviceSinceAndLimit) {
  auto history = Open();
  EXPECT_EQ(
      history->Append(Change(1796650000.123, "1.78.1.1", "ZqRange", COrvDouble(100.0), COrvDouble(120.0)))
          .json,
      R"({"seq":1,"time":1796650000.123,"device":"1.78.1.1","key":"ZqRange","from":{"double":100.0},)"
      R"j("to":{"double":120.0},"confirmed":null,"source":"api","client":"127.0.0.1 (Ann)"})j");
  history->Append(Change(200.0, "2.78.1.1", "ZqGain", COrvInt(3), COrvInt(4)));
  history->Append(Change(150.0, "1.78.1.1", "ZqGain", COrvInt(3), COrvInt(5)));  // the clock stepped back
  history->Append(Change(300.0, "1.78.1.1", "ZqRange", COrvType(), COrvDouble(50.0)));
  const struct {
    const char* device;  // none when null
    std::optional<double> since;
    std::size_t limit;
    std::vector<std::uint64_t> seqs;
  } cases[] = {
      {nullptr, std::nullopt, 100, {4, 3, 2, 1}},
      {nullptr, std::nullopt, 2, {4, 3}},
      {"1.78.1.1", std::nullopt, 100, {4, 3, 1}},
      {nullptr, 200.0, 100, {4, 2, 1}},
      {"1.78.1.1", 160.0, 1, {4}},
      {"9.9.9.9", std::nullopt, 100, {}},
      {nullptr, std::nullopt, 0, {}},
  };
  for (const auto& c : cases) {
    HistoryQuery query;
    if (c.device != nullptr) query.device = c.device;
    query.since = c.since;
    query.limit = c.limit;
    EXPECT_EQ(SeqsOf(history->Json(query)), c.seqs) << (c.device ? c.device : "") << " " << c.limit;
  }
}

TEST_F(ChangeHistoryTest, ConfirmationReplacesTheEntryAndSurvivesReopening) {
  auto history = Open();
  history->Append(Change(10.5, "1.78.1.1", "ZqRange", COrvDouble(100.0), COrvDouble(120.0)));
  history->Append(Change(11.0, "1.78.1.1", "ZqPower", COrvInt(2), COrvInt(3), "view", ""));
  const std::string confirmed =
      R"({"seq":1,"time":10.5,"device":"1.78.1.1","key":"ZqRange","from":{"double":100.0},)"
      R"j("to":{"double":120.0},"confirmed":{"double":119.5},"source":"api","client":"127.0.0.1 (Ann)"})j";
  EXPECT_EQ(history->Confirm(1, COrvDouble(119.5)), confirmed);
  EXPECT_EQ(history->Confirm(7, COrvDouble(1.0)), std::nullopt);
  history.reset();

  history = Open();
  EXPECT_EQ(history->DamagedLines(), 0u);
  const std::string power =
      R"({"seq":2,"time":11,"device":"1.78.1.1","key":"ZqPower","from":{"int":2},"to":{"int":3},)"
      R"("confirmed":null,"source":"view","client":""})";
  EXPECT_EQ(history->Json({}), "[" + power + "," + confirmed + "]");
  EXPECT_EQ(history->Append(Change(12.0, "1.78.1.1", "ZqPower", COrvInt(3), COrvInt(2))).seq, 3u);
}

TEST_F(ChangeHistoryTest, RewritesTheFileWithTheNewestEntriesWhenItHoldsAQuarterMore) {
  auto history = Open(8);
  for (int i = 1; i <= 9; ++i) history->Append(Change(i, "1.78.1.1", "ZqGain", COrvInt(i - 1), COrvInt(i)));
  history->Confirm(9, COrvInt(9));  // ten lines: the file may hold 8 + 8 / 4
  const auto fullSize = std::filesystem::file_size(file_);
  EXPECT_EQ(history->Size(), 8u);
  EXPECT_EQ(SeqsOf(history->Json({})), (std::vector<std::uint64_t>{9, 8, 7, 6, 5, 4, 3, 2}));

  history->Append(Change(10, "1.78.1.1", "ZqGain", COrvInt(9), COrvInt(10)));
  EXPECT_LT(std::filesystem::file_size(file_), fullSize * 9 / 10);
  history.reset();
  history = Open(8);
  EXPECT_EQ(SeqsOf(history->Json({})), (std::vector<std::uint64_t>{10, 9, 8, 7, 6, 5, 4, 3}));
  EXPECT_NE(history->Json({}).find(R"("confirmed":{"int":9})"), std::string::npos);
  EXPECT_EQ(history->Append(Change(11, "1.78.1.1", "ZqGain", COrvInt(0), COrvInt(1))).seq, 11u);
}

TEST_F(ChangeHistoryTest, SkipsAndCountsDamagedLinesAndReadsTheRest) {
  const std::string tail =
      R"("device":"d","key":"k","from":null,"to":{"int":1},"confirmed":null,"source":"api","client":""})";
  const std::string lines[] = {
      R"({"seq":1,"time":10,)" + tail,
      "not json at all",
      R"({"seq":2,"time":"10",)" + tail,                                       // time as text
      R"({"seq":3,"time":10,"device":"d","key":"k","from":{"float":1},"to")",  // cut in the middle
      std::string(ChangeHistory::kMaxLineBytes + 10, '{'),
      R"({ "seq": 5, "time": 1e1, )" + tail,
  };
  {
    std::ofstream out(file_, std::ios::binary);
    for (const auto& line : lines) out << line << "\n";
    out << R"({"seq":6,"time":10,"de)";  // the last write, cut short
  }
  auto history = Open();
  EXPECT_EQ(history->DamagedLines(), 5u);
  history->Append(Change(20, "d", "k", COrvType(), COrvInt(2)));
  EXPECT_EQ(SeqsOf(history->Json({})), (std::vector<std::uint64_t>{6, 5, 1}));
  history.reset();
  history = Open();
  EXPECT_EQ(history->DamagedLines(), 5u);
  EXPECT_EQ(SeqsOf(history->Json({})), (std::vector<std::uint64_t>{6, 5, 1}));

  std::string error;
  EXPECT_EQ(ChangeHistory::Open(folder_ / "missing" / "history.jsonl", 10, error), nullptr);
  EXPECT_NE(error.find("missing/history.jsonl: cannot open"), std::string::npos) << error;
}

TEST_F(ChangeHistoryTest, CsvQuotesGuardsFormulasAndWritesUtcTimes) {
  auto history = Open();
  history->Append(Change(1796650000.123, "1.78.1.1", "ZqRange", COrvDouble(100.0), COrvDouble(120.5)));
  history->Append(
      Change(1796650001.5, "1.78.1.1", "ZqGain", COrvInt(-3), COrvInt(4), "view", "=cmd|' /C calc'!A0"));
  history->Confirm(2, COrvInt(4));
  history->Append(Change(1796650002, "2.78.1.1", "ZqNote", COrvType(), COrvString("-1, \"two\""), "profile",
                         "Jo, \"J\""));
  HistoryEntry steering = Change(86400.25, "2.78.1.1", "ZqSteering", COrvDouble2D(1.0, -2.0),
                                 COrvIntList({7000, 7503}), "restore", "");
  steering.confirmed = COrvBool(true);
  history->Append(steering);
  EXPECT_EQ(history->Csv({}),
            "time,utc,device,key,from,to,confirmed,source,client\r\n"
            "86400.25,1970-01-02T00:00:00.250Z,2.78.1.1,ZqSteering,1 -2,7000 7503,true,restore,\r\n"
            "1796650002,2026-12-07T13:26:42.000Z,2.78.1.1,ZqNote,,\"'-1, \"\"two\"\"\",,profile,\"Jo, "
            "\"\"J\"\"\"\r\n"
            "1796650001.5,2026-12-07T13:26:41.500Z,1.78.1.1,ZqGain,-3,4,4,view,'=cmd|' /C calc'!A0\r\n"
            "1796650000.123,2026-12-07T13:26:40.123Z,1.78.1.1,ZqRange,100,120.5,,api,127.0.0.1 (Ann)\r\n");
}

// Writers append and confirm while a reader checks each answer; the anonymous log is rewritten often.
TEST_F(ChangeHistoryTest, ThreadsAppendConfirmAndReadConsistently) {
  std::string error;
  const auto history = ChangeHistory::Open({}, 50, error);
  ASSERT_NE(history, nullptr) << error;
  constexpr int kWriters = 3;
  constexpr int kEach = 200;
  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w) {
    threads.emplace_back([&, w] {
      for (int i = 0; i < kEach; ++i) {
        history->Confirm(history->Append(Change(i, std::to_string(w), "ZqGain", COrvType(), COrvInt(i))).seq,
                         COrvInt(i));
      }
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; i < 200; ++i) {
      const auto answer = nlohmann::json::parse(history->Json({std::nullopt, std::nullopt, 1000}));
      ASSERT_LE(answer.size(), 50u);
      for (std::size_t e = 0; e < answer.size(); ++e) {
        ASSERT_TRUE(e == 0 || answer[e].at("seq") < answer[e - 1].at("seq"));
        ASSERT_TRUE(answer[e].at("confirmed").is_null() || answer[e].at("confirmed") == answer[e].at("to"));
      }
    }
  });
  for (auto& thread : threads) thread.join();
  const auto answer = nlohmann::json::parse(history->Json({std::nullopt, std::nullopt, 1000}));
  ASSERT_EQ(answer.size(), 50u);
  EXPECT_EQ(answer.front().at("seq"), 600);
  EXPECT_EQ(answer.back().at("seq"), 551);
  for (const auto& entry : answer) EXPECT_EQ(entry.at("confirmed"), entry.at("to"));
}

}  // namespace
