// The buffer status of a running host's sonar device against a simulated sonar the test starts, stops
// and silences: link down until it connects, data flowing while settings arrive, timed out when they
// stop (unless the time-out is switched off), and one notification per change.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/BufferStatusWatch.h"
#include "host/HostRuntime.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/zq/KavoDevice.h"
#include "sim/SimHead.h"
#include "sim/SimServer.h"
#include "tests/link/Waiting.h"
#include "tests/platform/tavrin/BufferStatusFollower.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kBound = std::chrono::seconds(10);
constexpr auto kTimeOut = 400ms;

class BufferStatusWatchTest : public ::testing::Test {
 protected:
  BufferStatusWatchTest() {
    // A port that nothing listens on until the test starts its sonar there.
    SimServer probe(SimConfig("127.0.0.1:0"));
    std::string error;
    EXPECT_TRUE(probe.Start(error)) << error;
    address_ = probe.Address();
    probe.Stop();

    config_.vessels.push_back({1, "Vessel"});
    DeviceConfig device;
    device.type = "sonar";
    device.name = "Sonar";
    device.dataId = id_;
    device.dataTimeOutSeconds = std::chrono::duration<double>(kTimeOut).count();
    device.link = SonarLinkConfig{address_, {kDefaultZqHead}, std::nullopt};
    config_.devices.push_back(device);
  }

  static SimServerConfig SimConfig(const std::string& listen) {
    SimServerConfig config;
    config.listen = listen;
    config.biteIntervalSeconds = 0.0;
    return config;
  }

  std::unique_ptr<HostRuntime> StartHost() {
    std::string error;
    auto runtime = HostRuntime::Start(
        config_, {}, [](const std::string&) { return std::make_unique<KavoDevice>(); }, log_, error);
    EXPECT_TRUE(runtime) << error;
    return runtime;
  }

  std::unique_ptr<SimServer> StartSonar() {
    auto sonar = std::make_unique<SimServer>(SimConfig(address_));
    std::string error;
    EXPECT_TRUE(sonar->Start(error)) << error;
    return sonar;
  }

  static void Silence(SimServer& sonar, bool silent) {
    ASSERT_TRUE(
        sonar.WithHead(0, [silent](SimHead& head, std::vector<std::string>&) { head.SetSilent(silent); }));
  }

  Device& Sonar() const { return *DataManager::GetDataManager().FindDevice(id_); }

  const CDataId id_{9401, 78, 1, 1};
  std::string address_;
  HostConfig config_;
  std::ostringstream log_;
};

TEST_F(BufferStatusWatchTest, LinkDownUntilTheSonarSpeaksAgainAndOneNotificationPerChange) {
  StatusFollower follower(id_.GetKey());
  auto runtime = StartHost();
  ASSERT_TRUE(runtime);
  EXPECT_EQ(StatusOf(id_), 1);  // before the first connection
  follower.AwaitStatuses({1});

  auto sonar = StartSonar();
  follower.AwaitStatuses({1, 0});
  // Many settings records later the status has been announced once for each change only.
  ASSERT_TRUE(WaitFor([&] { return runtime->Links()[0].counters.recordsReceived >= 8; }, kBound));
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0}));
  EXPECT_EQ(runtime->Links()[0].bufferStatus, 0);

  sonar->Stop();  // the sonar goes away: its link drops
  follower.AwaitStatuses({1, 0, 1});
  sonar = StartSonar();
  follower.AwaitStatuses({1, 0, 1, 0});
  ASSERT_TRUE(WaitFor([&] { return runtime->Links()[0].counters.connects == 2; }, kBound));
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0, 1, 0}));

  // The watch stops before the links when the host stops: their going down is not announced.
  runtime.reset();
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0, 1, 0}));
}

TEST_F(BufferStatusWatchTest, SilenceTimesOutAfterTheTimeOutButNotWhileItIsSwitchedOff) {
  StatusFollower follower(id_.GetKey());
  auto runtime = StartHost();
  ASSERT_TRUE(runtime);
  EXPECT_EQ(Sonar().GetDataTimeOut(), kTimeOut);
  auto sonar = StartSonar();
  follower.AwaitStatuses({1, 0});
  ASSERT_TRUE(WaitFor([&] { return Sonar().GetLastDataTime().has_value(); }, kBound));

  // Quiet with its time-out on: timed out, and not before a whole time-out after its last data.
  Silence(*sonar, true);
  follower.AwaitStatuses({1, 0, 2});
  ASSERT_EQ(StatusOf(id_), 2);
  EXPECT_GE(std::chrono::steady_clock::now() - *Sonar().GetLastDataTime(), kTimeOut);

  // Waiting its turn: the time-out is withdrawn and not reported for several time-outs.
  Sonar().DisableTimeOut(true);
  EXPECT_EQ(StatusOf(id_), 0);
  follower.AwaitStatuses({1, 0, 2, 0});
  std::this_thread::sleep_for(3 * kTimeOut);
  EXPECT_EQ(StatusOf(id_), 0);

  // Its turn comes: a fresh wait from the moment it is switched back on, not from its last data.
  Sonar().DisableTimeOut(false);
  const auto enabled = Sonar().GetTimeOutEnabledTime();
  ASSERT_TRUE(enabled.has_value());
  follower.AwaitStatuses({1, 0, 2, 0, 2});
  ASSERT_EQ(StatusOf(id_), 2);
  EXPECT_GE(std::chrono::steady_clock::now() - *enabled, kTimeOut);

  // Its data comes back.
  Silence(*sonar, false);
  follower.AwaitStatuses({1, 0, 2, 0, 2, 0});
  EXPECT_EQ(follower.Statuses(), (std::vector<int>{1, 0, 2, 0, 2, 0}));
}

TEST(ShortestDataTimeOut, IsTheSonarsPingAndGuardAndAMarginForFiniteSettingsOnly) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  const struct {
    std::optional<float> range;           // item 699
    std::optional<double> soundVelocity;  // item 401
    double overhead;
    std::chrono::milliseconds expected;  // ping (rounded up) + guard (rounded) + 1 s
  } cases[] = {
      {11000.0F, 1500.0, 10.0, 14667ms + 1467ms + 1000ms},  // the deep sonar at 11 km: 14.67 s pings
      {150.0F, 1500.0, 0.0, 200ms + 1000ms},
      {3000.0F, std::nullopt, 50.0, 4000ms + 2000ms + 1000ms},  // 1500 m/s without a sound velocity
      {3000.0F, 1e-300, 50.0, 3600s},                           // no endless wait
      {1e30F, 1500.0, 10.0, 3600s},
      {150.0F, std::numeric_limits<double>::quiet_NaN(), 0.0, 200ms + 1000ms},
      {150.0F, -1500.0, 0.0, 200ms + 1000ms},
      {150.0F, 1500.0, std::numeric_limits<double>::quiet_NaN(), 200ms + 1000ms},
      {150.0F, 1500.0, -50.0, 200ms + 1000ms},
      {kNaN, 1500.0, 10.0, 0ms},  // no range: no bound
      {kInfinity, 1500.0, 10.0, 0ms},
      {std::nullopt, 1500.0, 10.0, 0ms},
  };
  for (const auto& c : cases) {
    CDataBlock settings;
    if (c.range) settings.AddF32(699, 2, *c.range);
    if (c.soundVelocity) settings.AddF64(401, 2, *c.soundVelocity);
    EXPECT_EQ(ShortestDataTimeOut(settings, c.overhead), c.expected)
        << c.range.value_or(-1.0F) << " m at " << c.soundVelocity.value_or(-1.0) << " m/s, " << c.overhead
        << " %";
  }
}

TEST(ShortestDataTimeOut, TheWatchHoldsASonarWithinItsLongPingButNotOneWithoutSettings) {
  // A 1 ms time-out that has run out for both; only the sonar pinging at 11 km is still in time.
  Device longPing;
  Device noSettings;
  CDataBlock settings;
  settings.AddF32(699, 2, 11000.0F);
  longPing.GetDataSource().SetDataBlock(settings);
  const auto connected = [] { return true; };
  for (Device* device : {&longPing, &noSettings}) {
    device->SetDataTimeOut(1ms);
    device->CheckDataFlow(connected);  // connected: the wait starts
  }
  std::this_thread::sleep_for(20ms);
  BufferStatusWatch watch({{&longPing, connected}, {&noSettings, connected}}, std::chrono::hours(1));
  watch.Stop();
  double time = 0.0;
  unsigned short status = 9;
  EXPECT_TRUE(longPing.GetDataSource().GetBufferStatus(time, status));
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(noSettings.GetDataSource().GetBufferStatus(time, status));
  EXPECT_EQ(status, 2);
}

}  // namespace
