// The TCP link against a silent simulated sonar, meeting only the bytes the test sends. (A sonar that
// refuses, its problem reported and cleared: SimServerTest and the end-to-end SequencedPingingTest.)
#include "link/ZqTcpLink.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "link/ZqLinkContext.h"
#include "platform/zq/ZqWireFormat.h"
#include "sim/SimHead.h"
#include "sim/SimServer.h"
#include "tests/link/Waiting.h"
#include "tests/platform/zq/ZqTestRecords.h"

namespace {

// A 92-byte remote-control record as the control device builds it: trailer still zero.
CString UnsentRecord(std::uint32_t id) {
  return CString(HostControl(id).substr(0, 88) + std::string(4, '\0'));
}

struct LinkFixture : ::testing::Test {
  SimServer sonar{SimServerConfig{.biteIntervalSeconds = 0.0, .pingLog = nullptr}};
  const bool silent = [this] {  // before the link is made on the sonar's address
    std::string error;
    EXPECT_TRUE(sonar.Start(error)) << error;
    return sonar.WithHead(0, [](SimHead& head, std::vector<std::string>&) { head.SetSilent(true); });
  }();
  ZqLinkContext context;
  std::mutex mutex;
  std::vector<std::uint32_t> receivedTypes;
  std::vector<ZqTcpLink::State> reported;
  std::vector<std::pair<ZqTcpLink::Direction, std::size_t>> tapped;  // direction and size
  ZqTcpLink link{context, sonar.Address()};  // last, so that it stops before what its callbacks fill

  void SetUp() override {
    link.SetTap([this](ZqTcpLink::Direction direction, std::span<const std::byte> record) {
      std::lock_guard lock(mutex);
      tapped.emplace_back(direction, record.size());
    });
    link.SetReceiver([this](std::span<const std::byte> record) {
      std::lock_guard lock(mutex);
      receivedTypes.push_back(zqwire::ReadHeader(record).recordType);
    });
    link.SetStateReport([this](ZqTcpLink::State state) {
      EXPECT_EQ(link.GetCounters().state, state);  // reported once it shows
      std::lock_guard lock(mutex);
      reported.push_back(state);
    });
  }
  bool Connected(std::uint64_t connects = 1) {
    return WaitFor([&] {
      const auto c = link.GetCounters();
      return c.state == ZqTcpLink::State::kConnected && c.connects >= connects;
    });
  }
  // Once the sonar took the connection: what it sends, it sends to the link.
  void SendToLink(const std::string& bytes) {
    ASSERT_TRUE(WaitFor([&] { return sonar.ConnectionCount() == 1; }));
    sonar.WithHead(0, [&](SimHead&, std::vector<std::string>& out) { out.push_back(bytes); });
  }
  std::size_t ReceivedCount() {
    std::lock_guard lock(mutex);
    return receivedTypes.size();
  }
};

TEST_F(LinkFixture, WritesRecordsWithTheirChecksumAndReadsRecordsBack) {
  EXPECT_FALSE(link.Send(UnsentRecord(1003)));  // not started: dropped
  link.Start();
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(link.Send(UnsentRecord(1003)));
  ASSERT_TRUE(link.Send(UnsentRecord(1100)));
  // The sonar keeps only records whose checksum holds. Sum of the first record's bytes: version 5, offset
  // 60, sync 0xFF 0xFF, size 92, record version 1, type 0x4C 0x1D, device 0x58 0x1B, flags 1, id and
  // ticket 0xEB 0x03 each: 1365 = 0x555.
  ASSERT_TRUE(WaitFor([&] { return sonar.ReceivedRecords().size() == 2; }));
  EXPECT_EQ(sonar.ReceivedRecords()[0].substr(88, 4), std::string("\x55\x05\x00\x00", 4));

  SendToLink("junk" + zqwire::BuildRecord(7000, 7000, 0, std::string(592, '\0'), 0.0) +
             zqwire::BuildRecord(7051, 7000, 0, "event", 0.0));
  ASSERT_TRUE(WaitFor([&] { return ReceivedCount() == 2; }));
  EXPECT_EQ(receivedTypes, (std::vector<std::uint32_t>{7000, 7051}));
  using D = ZqTcpLink::Direction;
  EXPECT_EQ(tapped, (std::vector<std::pair<D, std::size_t>>{
                        {D::kSent, 92}, {D::kSent, 92}, {D::kReceived, 660}, {D::kReceived, 73}}));

  ASSERT_TRUE(WaitFor([&] { return link.GetCounters().recordsSent == 2; }));
  const auto counters = link.GetCounters();
  EXPECT_EQ(counters.bytesSent, 184u);
  EXPECT_EQ(counters.recordsReceived, 2u);
  EXPECT_EQ(counters.bytesReceived, 4u + 660u + 73u);
  EXPECT_EQ(counters.bytesDiscarded, 4u);
  EXPECT_EQ(counters.droppedWhileDown, 1u);
}

TEST_F(LinkFixture, ReconnectsAfterALossAndDropsWhatComesMeanwhile) {
  link.Start();
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(WaitFor([&] { return sonar.ConnectionCount() == 1; }));  // taken before it is dropped
  sonar.DropConnections();
  ASSERT_TRUE(WaitFor([&] { return link.GetCounters().disconnects == 1; }));
  // Until the first retry (100 ms) the link is down.
  EXPECT_FALSE(link.Send(UnsentRecord(1003)));
  ASSERT_TRUE(Connected(2));
  ASSERT_TRUE(link.Send(UnsentRecord(1004)));
  ASSERT_TRUE(WaitFor([&] { return sonar.ReceivedRecords().size() == 1; }));
  const auto counters = link.GetCounters();
  EXPECT_EQ(counters.connects, 2u);
  EXPECT_EQ(counters.disconnects, 1u);
  EXPECT_GE(counters.droppedWhileDown, 1u);
  // Each connection and the loss were reported as they happened; stopping is no loss.
  link.Stop();
  using S = ZqTcpLink::State;
  std::lock_guard lock(mutex);
  EXPECT_EQ(reported, (std::vector<S>{S::kConnected, S::kConnecting, S::kConnected}));
}

TEST(ZqTcpLinkTest, StopLeavesNoThreadOrSocketBehind) {
  const std::size_t threadsBefore = CountThreads();
  const std::size_t filesBefore = CountEntries("/proc/self/fd");
  {
    SimServer sonar(SimServerConfig{});
    std::string error;
    ASSERT_TRUE(sonar.Start(error)) << error;
    ZqLinkContext context;
    std::vector<std::unique_ptr<ZqTcpLink>> links;
    for (int i = 0; i < 3; ++i) {
      links.push_back(std::make_unique<ZqTcpLink>(context, sonar.Address()));
      links.back()->Start();
    }
    ASSERT_TRUE(WaitFor([&] { return sonar.ConnectionCount() == 3; }));
    for (int i = 0; i < 50; ++i) links[static_cast<std::size_t>(i % 3)]->Send(UnsentRecord(1107));
    links.clear();
  }
  EXPECT_EQ(CountThreads(), threadsBefore);
  EXPECT_EQ(CountEntries("/proc/self/fd"), filesBefore);
}

TEST(ZqTcpLinkTest, AddressMustBeHostAndPort) {
  std::string host;
  std::string port;
  std::string error;
  EXPECT_TRUE(ZqTcpLink::ParseAddress("sonar-a.local:7000", host, port, error));
  EXPECT_EQ(host + "|" + port, "sonar-a.local|7000");
  EXPECT_TRUE(ZqTcpLink::ParseAddress("[::1]:4000", host, port, error));
  EXPECT_EQ(host, "::1");
  for (const char* bad : {"7000", ":7000", "host:", "host:0", "host:65536", "host:70x"}) {
    EXPECT_FALSE(ZqTcpLink::ParseAddress(bad, host, port, error)) << bad;
    EXPECT_NE(error.find(bad), std::string::npos);
  }
}

}  // namespace
