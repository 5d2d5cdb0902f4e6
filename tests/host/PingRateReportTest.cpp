// The ping rate report: pings per second from two ping numbers (a sonar that started counting again
// included), what it reads of a device's attributes, the lines it prints per sonar group, the report
// thread reading devices of the data manager and stopping at once, and tavrin-host printing it.
#include "host/PingRateReport.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "platform/tavrin/COrvType.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "tests/host/HostProcess.h"
#include "tests/link/Waiting.h"

namespace {

using namespace std::chrono_literals;

TEST(PingsPerSecondTest, CountsThePingsBetweenTwoNumbersOverTheTimeBetweenThem) {
  EXPECT_EQ(PingsPerSecond(100, 130, 10.0), 3.0);
  EXPECT_EQ(PingsPerSecond(100, 100, 5.0), 0.0);
  EXPECT_EQ(PingsPerSecond(0, 29, 5.0), 5.8);
  // The sonar restarted and counts from 1 again: 12 pings since.
  EXPECT_EQ(PingsPerSecond(5000, 12, 4.0), 3.0);
}

TEST(PingsPerSecondTest, HasNoRateWithoutBothNumbersOrWithoutTimePassing) {
  EXPECT_EQ(PingsPerSecond(std::nullopt, 10, 5.0), std::nullopt);
  EXPECT_EQ(PingsPerSecond(10, std::nullopt, 5.0), std::nullopt);
  EXPECT_EQ(PingsPerSecond(10, 20, 0.0), std::nullopt);
  EXPECT_EQ(PingsPerSecond(10, 20, -1.0), std::nullopt);
  EXPECT_EQ(PingsPerSecond(10, 20, std::nan("")), std::nullopt);
}

TEST(SamplePingCountTest, ReadsPingModeSonarGroupAndPingNumber) {
  CAttributeMap attributes;
  attributes.Add("PingMode", COrvInt(1));
  attributes.Add("SonarGroupId", COrvInt(3));
  attributes.Add("ZqPingNumber", COrvInt64(4'000'000'000));
  const PingCountSample sample = SamplePingCount(CDataId(1, 78, 1, 1), "Shallow sonar", attributes);
  EXPECT_EQ(sample.id, CDataId(1, 78, 1, 1));
  EXPECT_EQ(sample.name, "Shallow sonar");
  EXPECT_TRUE(sample.sequenced);
  EXPECT_EQ(sample.group, 3);
  EXPECT_EQ(sample.pings, 4'000'000'000);
}

TEST(SamplePingCountTest, MissingOrZeroPingModeIsFreeRunningAndMissingValuesAreUnknown) {
  CAttributeMap attributes;
  PingCountSample sample = SamplePingCount(CDataId(1, 78, 1, 1), "A", attributes);
  EXPECT_FALSE(sample.sequenced);
  EXPECT_EQ(sample.group, 0);
  EXPECT_EQ(sample.pings, std::nullopt);

  attributes.Add("PingMode", COrvInt(0));
  attributes.Add("SonarGroupId", COrvString(CString("1")));  // not an int: no group
  attributes.Add("ZqPingNumber", COrvDouble(12.0));          // not the sonar's counter
  sample = SamplePingCount(CDataId(1, 78, 1, 1), "A", attributes);
  EXPECT_FALSE(sample.sequenced);
  EXPECT_EQ(sample.group, 0);
  EXPECT_EQ(sample.pings, std::nullopt);
}

PingCountSample Sample(std::uint16_t a, std::string name, bool sequenced, int group,
                       std::optional<std::int64_t> pings) {
  return {CDataId(a, 78, 1, 1), std::move(name), sequenced, group, pings};
}

TEST(PingRateLinesTest, OneLinePerGroupInGroupOrderThenTheFreeRunningSonars) {
  const std::vector<PingCountSample> before = {
      Sample(1, "Alpha", true, 2, 100), Sample(2, "Bravo", true, 1, 50), Sample(3, "Charlie", false, 0, 7),
      Sample(4, "Delta", true, 1, 900), Sample(5, "Echo", false, 0, 0)};
  const std::vector<PingCountSample> now = {Sample(1, "Alpha", true, 2, 117), Sample(2, "Bravo", true, 1, 60),
                                            Sample(3, "Charlie", false, 0, 57),
                                            Sample(4, "Delta", true, 1, 900), Sample(5, "Echo", false, 0, 1)};
  EXPECT_EQ(PingRateLines(before, now, 5.0),
            "tavrin-host: group 1: Bravo 2.0 pings/s, Delta 0.0 pings/s\n"
            "tavrin-host: group 2: Alpha 3.4 pings/s\n"
            "tavrin-host: free-running: Charlie 10.0 pings/s, Echo 0.2 pings/s\n");
}

TEST(PingRateLinesTest, MatchesSamplesByDeviceAndSaysWhenThereIsNoRateYet) {
  // Before: the devices in another order, one without a ping number, one not there at all.
  const std::vector<PingCountSample> before = {Sample(2, "Bravo", true, 1, std::nullopt),
                                               Sample(1, "Alpha", true, 1, 30)};
  const std::vector<PingCountSample> now = {Sample(1, "Alpha", true, 1, 36), Sample(2, "Bravo", true, 1, 4),
                                            Sample(3, "Charlie", true, 1, 8),
                                            Sample(4, "Delta", true, 1, std::nullopt)};
  EXPECT_EQ(
      PingRateLines(before, now, 2.0),
      "tavrin-host: group 1: Alpha 3.0 pings/s, Bravo (no pings counted yet), Charlie (no pings counted "
      "yet), Delta (no pings counted yet)\n");
}

TEST(PingRateLinesTest, GroupsByTheLatestSampleAndCountsARestartedSonarFromItsNewNumber) {
  // Alpha left group 1 for free running; Bravo's sonar restarted and has pinged 6 times since.
  const std::vector<PingCountSample> before = {Sample(1, "Alpha", true, 1, 10),
                                               Sample(2, "Bravo", true, 1, 800)};
  const std::vector<PingCountSample> now = {Sample(1, "Alpha", false, 1, 40), Sample(2, "Bravo", true, 1, 6)};
  EXPECT_EQ(PingRateLines(before, now, 3.0),
            "tavrin-host: group 1: Bravo 2.0 pings/s\n"
            "tavrin-host: free-running: Alpha 10.0 pings/s\n");
}

// A stream buffer that the report's thread writes and the test reads, each under a lock.
class SharedText : public std::streambuf {
 public:
  std::string Text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    std::lock_guard lock(mutex_);
    text_.push_back(traits_type::to_char_type(c));
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    std::lock_guard lock(mutex_);
    text_.append(text, static_cast<std::size_t>(count));
    return count;
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

// Devices in the data manager for one test, taken out again when it ends. Vessel 91 is this file's.
class ManagedDevices {
 public:
  ManagedDevices() = default;
  ManagedDevices(const ManagedDevices&) = delete;
  ManagedDevices& operator=(const ManagedDevices&) = delete;
  ~ManagedDevices() {
    for (const CDataId& id : ids_) DataManager::GetDataManager().RemoveDevice(id);
  }
  CDataId Add(std::uint16_t a, std::uint16_t dataGroup, const char* name, const CAttributeMap& attributes) {
    const CDataId id(a, dataGroup, 1, 91);
    auto device = std::make_unique<Device>();
    device->SetDataId(id);
    device->SetDeviceName(CString(name));
    device->GetAttributes() = attributes;
    EXPECT_TRUE(DataManager::GetDataManager().AddDevice(std::move(device)));
    ids_.push_back(id);
    return id;
  }
  const std::vector<CDataId>& Ids() const { return ids_; }

 private:
  std::vector<CDataId> ids_;
};

CAttributeMap SonarAttributes(int pingMode, int group, std::optional<std::int64_t> pings) {
  CAttributeMap attributes;
  attributes.Add("PingMode", COrvInt(pingMode));
  attributes.Add("SonarGroupId", COrvInt(group));
  if (pings) attributes.Add("ZqPingNumber", COrvInt64(*pings));
  return attributes;
}

TEST(PingRateReportTest, ReportsTheSonarDevicesOfTheDataManagerEveryPeriod) {
  ManagedDevices devices;
  devices.Add(1, 78, "Sonar one", SonarAttributes(1, 4, 40));
  devices.Add(2, 78, "Sonar two", SonarAttributes(1, 4, std::nullopt));
  devices.Add(3, 78, "", SonarAttributes(0, 0, 5));
  devices.Add(4, 40, "Motion sensor", SonarAttributes(1, 4, 40));  // sensor data, no sonar
  std::vector<CDataId> ids = devices.Ids();
  ids.emplace_back(9, 78, 1, 91);  // no such device

  SharedText text;
  std::ostream out(&text);
  PingRateReport report(ids, out, 20ms);
  // The ping numbers stand still: no pings since the previous report.
  const std::string expected =
      "tavrin-host: group 4: Sonar one 0.0 pings/s, Sonar two (no pings counted yet)\n"
      "tavrin-host: free-running: 3.78.1.91 0.0 pings/s\n";
  ASSERT_TRUE(WaitFor([&] { return text.Text().size() >= 2 * expected.size(); }));
  report.Stop();
  const std::string printed = text.Text();
  EXPECT_EQ(printed.substr(0, 2 * expected.size()), expected + expected);
  EXPECT_EQ(printed.size() % expected.size(), 0u) << printed;
}

TEST(PingRateReportTest, StopsAtOnceInsideALongPeriod) {
  ManagedDevices devices;
  devices.Add(11, 78, "Sonar", SonarAttributes(1, 1, 1));
  SharedText text;
  std::ostream out(&text);
  {
    PingRateReport report(devices.Ids(), out, 1h);
  }  // would wait the hour (and the test time out) if the thread were not woken
  EXPECT_EQ(text.Text(), "");
}

TEST(PingRateReportInTheHostTest, PrintsThePingRateOfTheEmbeddedDefaultsSonarGroupWhileItRuns) {
  const auto state =
      std::filesystem::temp_directory_path() / ("host-ping-rate-" + std::to_string(::getpid()));
  std::filesystem::remove_all(state);
  HostProcess host;
  ASSERT_TRUE(host.Start("--http 127.0.0.1:0 --ping-rate-seconds 0.5 --state " + state.string()));
  // The embedded default's two sonars share sonar group 1.
  std::string output = host.ReadUntil("tavrin-host: group 1: ");
  const std::size_t line = output.find("tavrin-host: group 1: ");
  ASSERT_NE(line, std::string::npos) << output;
  while (output.find('\n', line) == std::string::npos) {
    const std::string more = host.ReadUntil("\n");
    if (more.empty()) break;
    output += more;
  }
  const std::string report = output.substr(line, output.find('\n', line) - line);
  EXPECT_NE(report.find(": Shallow sonar "), std::string::npos) << report;
  EXPECT_NE(report.find(", Deep sonar "), std::string::npos) << report;
  EXPECT_EQ(output.find("free-running"), std::string::npos) << output;

  ::kill(host.pid, SIGTERM);
  EXPECT_NE(host.ReadUntil("tavrin-host: stopped").find("tavrin-host: stopped"), std::string::npos);
  EXPECT_EQ(host.Wait(), 0);
  std::filesystem::remove_all(state);
}

}  // namespace
