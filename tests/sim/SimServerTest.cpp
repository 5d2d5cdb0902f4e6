// A simulated processing unit unplugged from the network and plugged in again: connections close and
// are refused meanwhile, a host that connects afterwards is greeted as on any new connection, and the
// heads keep their settings, ping mode and ping counter throughout, a free-running one pinging on. The
// host side is a plain socket that sends hand-built records and reads what the sonar sends.
#include "sim/SimServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <optional>
#include <string>

#include "sim/SimHead.h"
#include "tests/link/Waiting.h"
#include "tests/sim/HostRecords.h"

namespace {

using zqtest::F32;

// The host's end of a connection to the sonar. Each read waits 5 s at most.
class HostSide {
 public:
  explicit HostSide(unsigned short port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    const timeval bound{5, 0};
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    error_ = ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
  }
  ~HostSide() { ::close(socket_); }
  int Error() const { return error_; }  // of connecting
  void Send(const std::string& record) { ::send(socket_, record.data(), record.size(), MSG_NOSIGNAL); }
  // The next whole record of `type` (0: any) the sonar sends; nothing once it closes the connection.
  std::optional<std::string> Next(std::uint32_t type = 0) {
    for (std::string record(12, '\0'); Read(record, 0, 12);) {
      record.resize(std::max<std::uint32_t>(12, *le::ByteReader(record).U32(8)));
      if (!Read(record, 12, record.size() - 12)) break;
      if (type == 0 || TypeOf(record) == type) return record;
      record.resize(12);
    }
    return std::nullopt;
  }
  bool ClosedBySonar() {
    while (Next()) {
    }
    return closed_;
  }

 private:
  bool Read(std::string& into, std::size_t from, std::size_t count) {
    for (ssize_t got = 0; count > 0; from += got, count -= got) {
      got = ::recv(socket_, into.data() + from, count, 0);
      closed_ = got == 0;
      if (got <= 0) return false;
    }
    return true;
  }

  int socket_;
  int error_ = 0;
  bool closed_ = false;
};

std::uint32_t PingNumberOf(const std::string& settings) {
  return *le::ByteReader(settings).U32(64);
}

class SimServerTest : public ::testing::Test {
 protected:
  SimServerTest() {
    std::string error;
    EXPECT_TRUE(sonar_.Start(error)) << error;
  }
  zqwire::ZqPingSettings Settings() {
    zqwire::ZqPingSettings settings;
    sonar_.WithHead(0, [&](SimHead& head, std::vector<std::string>&) { settings = head.Settings(); });
    return settings;
  }
  void PlugIn() {
    std::string error;
    ASSERT_TRUE(sonar_.PlugIn(error)) << error;
  }

  SimServer sonar_{SimServerConfig{.biteIntervalSeconds = 0.0, .pingLog = nullptr}};
};

TEST_F(SimServerTest, UnpluggedItRefusesHostsAndPluggedInGreetsThemWithTheHeadsAsTheyWere) {
  HostSide before(sonar_.Port());
  ASSERT_TRUE(before.Next(7503));
  sonar_.Unplug();
  EXPECT_TRUE(before.ClosedBySonar());
  EXPECT_EQ(sonar_.ConnectionCount(), 0u);
  EXPECT_EQ(HostSide(sonar_.Port()).Error(), ECONNREFUSED);
  sonar_.Unplug();  // once more changes nothing
  EXPECT_EQ(HostSide(sonar_.Port()).Error(), ECONNREFUSED);
  // The free-running head pings on; nothing it produced meanwhile is kept for the host.
  const std::uint32_t atUnplugging = Settings().pingNumber;
  ASSERT_TRUE(WaitFor([&] { return Settings().pingNumber >= atUnplugging + 3; }));
  PlugIn();
  HostSide host(sonar_.Port());
  const auto first = host.Next();
  const auto second = host.Next();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(TypeOf(*first), 7003u);
  EXPECT_EQ(TypeOf(*second), 7503u);
  EXPECT_GE(PingNumberOf(*second), atUnplugging + 3);

  // Waiting for triggers, with a range of its own: both outlast unplugging, as does the ping count.
  host.Send(HostControl(1003, F32(120.0F)));
  host.Send(HostControl(1004, F32(0.0F)));
  ASSERT_TRUE(WaitFor([&] {
    bool waiting = false;
    sonar_.WithHead(0, [&](SimHead& head, std::vector<std::string>&) {
      waiting = head.Settings().rangeM == 120.0F && !head.PingInProgress() && !head.NextPingStart(0.0);
    });
    return waiting;
  }));
  const std::uint32_t pings = Settings().pingNumber;
  sonar_.Unplug();
  PlugIn();
  HostSide after(sonar_.Port());
  const auto settings = after.Next(7503);
  ASSERT_TRUE(settings);
  const le::ByteReader fields(*settings);
  EXPECT_EQ(std::make_tuple(*fields.U32(64), *fields.F32(76), *fields.F32(96)),
            std::make_tuple(pings, 120.0F, 0.0F));
  // One trigger, one ping, counted on from where the head was.
  after.Send(HostControl(1107));
  const auto ping = after.Next(7000);
  ASSERT_TRUE(ping);
  EXPECT_EQ(PingNumberOf(*ping), pings + 1);
}

TEST_F(SimServerTest, PluggingInFailsWhereAnotherProgramListensNowOrWhenTheSonarIsNotRunning) {
  sonar_.Unplug();
  std::string error;
  {
    boost::asio::io_context io;
    const boost::asio::ip::tcp::endpoint endpoint(boost::asio::ip::make_address("127.0.0.1"), sonar_.Port());
    boost::asio::ip::tcp::acceptor squatter(io, endpoint);
    EXPECT_FALSE(sonar_.PlugIn(error));
    EXPECT_NE(error.find("cannot listen on " + sonar_.Address() + " again"), std::string::npos) << error;
  }
  PlugIn();  // can be retried
  EXPECT_TRUE(HostSide(sonar_.Port()).Next(7003));
  PlugIn();  // plugged in already: listening

  sonar_.Stop();  // an unplugged or stopped sonar stops as any other, and plugs in no more
  sonar_.Unplug();
  EXPECT_FALSE(sonar_.PlugIn(error));
  SimServer never(SimServerConfig{});
  never.Unplug();
  EXPECT_FALSE(never.PlugIn(error));
  EXPECT_EQ(error, "the simulated sonar is not running");
}

}  // namespace
