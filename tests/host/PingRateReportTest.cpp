// The ping rate report: rates from ping numbers, what it reads of a device, its lines per sonar group,
// and its thread.
#include "host/PingRateReport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/tavrin/COrvType.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"

namespace {

using namespace std::chrono_literals;

// Rates from ping numbers, a sonar that restarted counting and one without a number among them, are in
// the report lines below; here the times between two samples that give no rate.
TEST(PingsPerSecondTest, NoRateOverNoTimeOrATimeThatIsNotANumber) {
  EXPECT_EQ(PingsPerSecond(0, 29, 5.0), 5.8);
  for (const double seconds : {0.0, -1.0, std::nan("")})
    EXPECT_EQ(PingsPerSecond(10, 20, seconds), std::nullopt);
}

TEST(SamplePingCountTest, ReadsPingModeSonarGroupAndPingNumberOfTheirOwnTypesOnly) {
  CAttributeMap attributes;
  const CDataId id(1, 78, 1, 1);
  attributes.Add("PingMode", COrvBool(true));                // not an int: not sequenced
  attributes.Add("SonarGroupId", COrvString(CString("1")));  // not an int: no group
  attributes.Add("ZqPingNumber", COrvDouble(12.0));          // not the sonar's counter
  PingCountSample sample = SamplePingCount(id, "A", attributes);
  EXPECT_EQ(std::tie(sample.sequenced, sample.group, sample.pings), std::make_tuple(false, 0, std::nullopt));

  attributes.Add("PingMode", COrvInt(1));
  attributes.Add("SonarGroupId", COrvInt(3));
  attributes.Add("ZqPingNumber", COrvInt64(4'000'000'000));
  sample = SamplePingCount(id, "Shallow sonar", attributes);
  EXPECT_EQ(std::tie(sample.id, sample.name, sample.sequenced, sample.group, sample.pings),
            std::make_tuple(id, "Shallow sonar", true, 3, 4'000'000'000));
}

PingCountSample Sample(std::uint16_t a, std::string name, bool sequenced, int group,
                       std::optional<std::int64_t> pings) {
  return {CDataId(a, 78, 1, 1), std::move(name), sequenced, group, pings};
}

TEST(PingRateLinesTest, OneLinePerGroupInGroupOrderThenTheFreeRunningSonars) {
  const struct {
    std::vector<PingCountSample> before, now;
    double seconds;
    std::string lines;
  } cases[] = {
      {{Sample(1, "Alpha", true, 2, 100), Sample(2, "Bravo", true, 1, 50), Sample(3, "Charlie", false, 0, 7),
        Sample(4, "Delta", true, 1, 900), Sample(5, "Echo", false, 0, 0)},
       {Sample(1, "Alpha", true, 2, 117), Sample(2, "Bravo", true, 1, 60), Sample(3, "Charlie", false, 0, 57),
        Sample(4, "Delta", true, 1, 900), Sample(5, "Echo", false, 0, 1)},
       5.0,
       "tavrin-host: group 1: Bravo 2.0 pings/s, Delta 0.0 pings/s\n"
       "tavrin-host: group 2: Alpha 3.4 pings/s\n"
       "tavrin-host: free-running: Charlie 10.0 pings/s, Echo 0.2 pings/s\n"},
      // Matched by device whatever the order; no rate without an earlier ping number or sample.
      {{Sample(2, "Bravo", true, 1, std::nullopt), Sample(1, "Alpha", true, 1, 30)},
       {Sample(1, "Alpha", true, 1, 36), Sample(2, "Bravo", true, 1, 4), Sample(3, "Charlie", true, 1, 8),
        Sample(4, "Delta", true, 1, std::nullopt)},
       2.0,
       "tavrin-host: group 1: Alpha 3.0 pings/s, Bravo (no pings counted yet), Charlie (no pings counted "
       "yet), Delta (no pings counted yet)\n"},
      // Grouped by the latest sample (Alpha left group 1); Bravo restarted and has pinged 6 times since.
      {{Sample(1, "Alpha", true, 1, 10), Sample(2, "Bravo", true, 1, 800)},
       {Sample(1, "Alpha", false, 1, 40), Sample(2, "Bravo", true, 1, 6)},
       3.0,
       "tavrin-host: group 1: Bravo 2.0 pings/s\ntavrin-host: free-running: Alpha 10.0 pings/s\n"},
      {{}, {}, 1.0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PingRateLines(c.before, c.now, c.seconds), c.lines);
}

// Devices in the data manager for one test, taken out again when it ends. Vessel 91 is this file's.
class PingRateReportTest : public ::testing::Test {
 protected:
  ~PingRateReportTest() override {
    for (const CDataId& id : ids_) DataManager::GetDataManager().RemoveDevice(id);
  }
  void Add(std::uint16_t a, std::uint16_t dataGroup, const char* name, int pingMode,
           std::optional<std::int64_t> pings) {
    ids_.emplace_back(a, dataGroup, 1, 91);
    auto device = std::make_unique<Device>();
    device->SetDataId(ids_.back());
    device->SetDeviceName(CString(name));
    device->GetAttributes().Add("PingMode", COrvInt(pingMode));
    device->GetAttributes().Add("SonarGroupId", COrvInt(4));
    if (pings) device->GetAttributes().Add("ZqPingNumber", COrvInt64(*pings));
    EXPECT_TRUE(DataManager::GetDataManager().AddDevice(std::move(device)));
  }

  std::vector<CDataId> ids_;
  std::ostringstream out_;  // written by the report's thread only until it stops
};

TEST_F(PingRateReportTest, ReportsTheSonarDevicesOfTheDataManagerEveryPeriodAndStopsAtOnce) {
  Add(1, 78, "Sonar one", 1, 40);
  Add(2, 78, "Sonar two", 1, std::nullopt);
  Add(3, 78, "", 0, 5);
  Add(4, 40, "Motion sensor", 1, 40);  // sensor data, no sonar
  std::vector<CDataId> ids = ids_;
  ids.emplace_back(9, 78, 1, 91);  // no such device
  PingRateReport report(ids, out_, 20ms);
  std::this_thread::sleep_for(300ms);
  report.Stop();
  // The ping numbers stand still: no pings since the previous report.
  const std::string expected =
      "tavrin-host: group 4: Sonar one 0.0 pings/s, Sonar two (no pings counted yet)\n"
      "tavrin-host: free-running: 3.78.1.91 0.0 pings/s\n";
  const std::string printed = out_.str();
  ASSERT_GE(printed.size(), 2 * expected.size()) << printed;
  EXPECT_EQ(printed.substr(0, 2 * expected.size()), expected + expected);
  EXPECT_EQ(printed.size() % expected.size(), 0u) << printed;
  std::ostringstream none;
  {
    PingRateReport longPeriod(ids, none, 1h);
  }  // would wait the hour (and the test time out) if the thread were not woken
  EXPECT_EQ(none.str(), "");
}

}  // namespace
