// A control device whose port is a TCP link to a simulated sonar: requests reach the sonar as the
// exact records, the sonar's records come back as the device's attributes, and the link survives the
// sonar going away and coming back.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "link/ZqLinkContext.h"
#include "link/ZqTcpLink.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "sim/SimHead.h"
#include "sim/SimServer.h"
#include "tests/control/ControlDeviceFixture.h"
#include "tests/link/Waiting.h"

namespace {

using namespace std::chrono_literals;

std::unique_ptr<SimServer> StartSonar(const std::string& listen) {
  SimServerConfig config;
  config.listen = listen;
  config.model = "shallow";
  config.heads = {{0, 7000}};
  config.biteIntervalSeconds = 0.0;
  auto sonar = std::make_unique<SimServer>(config);
  std::string error;
  EXPECT_TRUE(sonar->Start(error)) << error;
  return sonar;
}

// One shallow-water sonar over loopback, and a control device on a link to it.
class SonarOverTcp : public ::testing::Test {
 protected:
  SonarOverTcp() : sonar_(StartSonar("127.0.0.1:0")) {
    auto link = std::make_unique<ZqTcpLink>(context_, sonar_->Address());
    link_ = link.get();
    socket_ = std::make_unique<KavoSocketIoHandler>(std::move(link));
    socket_->SetZqDeviceId(0, 7000);
    socket_->SetZqDeviceId(1, 7000);
    device_.SetDataId(CDataId(1, 78, 1, 1));
    device_.SetTrackingNumber(kTrackingNumber);
    device_.SetPortPtr(socket_.get());
    socket_->AttachDevice(&device_);
    link_->Start();
  }
  ~SonarOverTcp() override { socket_->DetachDevice(&device_); }

  double Attribute(const char* key) const {
    double value = -1.0;
    unsigned flags = 0;
    device_.GetAttribValue(key, value, flags);
    return value;
  }
  int IntAttribute(const char* key) const {
    int value = -1;
    unsigned flags = 0;
    device_.GetAttribValue(key, value, flags);
    return value;
  }
  void RequestValue(const char* key, double value) {
    {
      std::lock_guard lock(device_.GetAttribLock());
      device_.GetAttributes().FindCreate("Request")->Add(key, COrvDouble(value));
    }
    device_.ApplyAttribs(false);
  }
  bool Connected() {
    return WaitFor([&] { return link_->GetCounters().state == ZqTcpLink::State::kConnected; });
  }
  // The range limits of the device's first "ZqSonarSettings", as the sonar last reported them.
  std::pair<double, double> ReportedRangeLimits() {
    CAttributeMap copy;
    {
      std::lock_guard lock(device_.GetAttribLock());
      copy = device_.GetAttributes();
    }
    double low = -1.0;
    double high = -1.0;
    unsigned flags = 0;
    if (CAttributeMap* settings = copy.Find("ZqSonarSettings")) {
      if (CAttributeMap* range = settings->Find("ZqRange")) {
        range->GetAttribValue("ZqMin", low, flags);
        range->GetAttribValue("ZqMax", high, flags);
      }
    }
    return {low, high};
  }

  std::unique_ptr<SimServer> sonar_;
  ZqLinkContext context_;
  ZqTcpLink* link_ = nullptr;
  std::unique_ptr<KavoSocketIoHandler> socket_;
  KavoSonarConfigurationControlDevice device_;
};

TEST_F(SonarOverTcp, ARequestReachesTheSonarExactlyAndTheSonarsValueComesBack) {
  ASSERT_TRUE(Connected());
  // The sonar introduces itself: configuration and settings.
  ASSERT_TRUE(WaitFor([&] { return ReportedRangeLimits() == std::pair(1.0, 500.0); }));
  ASSERT_TRUE(WaitFor([&] { return Attribute("ZqRange") == 50.0; }));

  RequestValue("ZqRange", 900.0);          // beyond the 500 m the sonar allows
  EXPECT_EQ(Attribute("ZqRange"), 900.0);  // what the device asked for, until the sonar answers
  ASSERT_TRUE(WaitFor([&] { return !sonar_->ReceivedRecords().empty(); }));
  const std::string sent = sonar_->ReceivedRecords().back();
  // 900.0f = 0x44610000.
  EXPECT_EQ(HexWithoutTime(sent.substr(0, 92)), ExpectedRemoteControl(1003, "00006144").substr(0, 184));
  unsigned sum = 0;
  for (std::size_t i = 0; i < 92; ++i) sum += static_cast<unsigned char>(sent[i]);
  EXPECT_EQ(HexWithoutTime(sent).substr(184), LeHex(sum, 4));

  // The sonar clamps to its limit, and its next settings record says so.
  EXPECT_TRUE(WaitFor([&] { return Attribute("ZqRange") == 500.0; }));
}

TEST_F(SonarOverTcp, ALimitChangeReportedByTheSonarShowsAsNewSonarSettings) {
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(WaitFor([&] { return ReportedRangeLimits() == std::pair(1.0, 500.0); }));
  sonar_->WithHead(0, [](SimHead& head, std::vector<std::string>& out) {
    head.SetRangeLimits(0, {2.0, 300.0}, out);
  });
  EXPECT_TRUE(WaitFor([&] { return ReportedRangeLimits() == std::pair(2.0, 300.0); }));

  // Switching to the 400 kHz setting set: the sonar's records now carry device enum 1.
  {
    std::lock_guard lock(device_.GetAttribLock());
    device_.GetAttributes().FindCreate("Request")->Add("DeviceEnum", COrvInt(1));
  }
  device_.ApplyAttribs(false);
  EXPECT_TRUE(
      WaitFor([&] { return IntAttribute("DeviceEnum") == 1 && Attribute("ZqCWFrequency") == 400.0; }));
}

TEST(SonarRestartTest, TheLinkReconnectsAndAttributesFlowAgainWithNothingLeaked) {
  // The notification thread starts with the first record decoded; count without it.
  SubscriptionManager::Instance().Stop();
  const std::size_t threadsBefore = CountThreads();
  const std::size_t filesBefore = CountEntries("/proc/self/fd");
  {
    auto sonar = StartSonar("127.0.0.1:0");
    const std::string address = sonar->Address();
    ZqLinkContext context;
    auto link = std::make_unique<ZqTcpLink>(context, address);
    ZqTcpLink& tcp = *link;
    KavoSocketIoHandler socket(std::move(link));
    socket.SetZqDeviceId(0, 7000);
    KavoSonarConfigurationControlDevice device;
    device.SetDataId(CDataId(1, 78, 1, 2));
    socket.AttachDevice(&device);
    tcp.Start();
    const auto pingNumber = [&device] {
      std::lock_guard lock(device.GetAttribLock());
      std::int64_t number = -1;
      device.GetAttributes().FindValue("ZqPingNumber").GetValue(number);
      return number;
    };
    ASSERT_TRUE(WaitFor([&] { return pingNumber() >= 2; }));

    sonar.reset();  // the sonar is switched off
    ASSERT_TRUE(WaitFor([&] { return tcp.GetCounters().disconnects == 1; }));
    CString record;
    record.GetBufferSetLength(92);
    EXPECT_FALSE(tcp.Send(record));

    sonar = StartSonar(address);  // and on again: it counts its pings from 1
    ASSERT_TRUE(WaitFor([&] { return tcp.GetCounters().connects == 2; }, 6s));
    const std::int64_t before = pingNumber();
    EXPECT_TRUE(WaitFor([&] { return pingNumber() != before && pingNumber() >= 1; }));
    const auto counters = tcp.GetCounters();
    EXPECT_EQ(counters.disconnects, 1u);
    EXPECT_GE(counters.droppedWhileDown, 1u);
    EXPECT_EQ(counters.badChecksum + counters.badSize, 0u);
    socket.DetachDevice(&device);
  }
  SubscriptionManager::Instance().Stop();
  EXPECT_EQ(CountThreads(), threadsBefore);
  EXPECT_EQ(CountEntries("/proc/self/fd"), filesBefore);
}

}  // namespace
