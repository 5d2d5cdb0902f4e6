// A simulated processing unit unplugged from the network and plugged in again: connections close and
// are refused meanwhile, a host that connects afterwards is greeted as on any new connection, and the
// heads keep their settings, ping mode and ping counter throughout. The host side is a plain socket
// that sends hand-built records and reads what the sonar sends.
#include "sim/SimServer.h"

#include <gtest/gtest.h>

#include <array>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/tavrin/LittleEndian.h"
#include "sim/SimHead.h"
#include "tests/link/Waiting.h"
#include "tests/platform/zq/ZqTestRecords.h"
#include "tests/sim/HostRecords.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kBound = std::chrono::seconds(5);

using zqtest::F32;
using zqtest::U32;

// A remote control as the host sends it to head 7000: frame header, ID, ticket, tracking number,
// 8 zero bytes, payload, and the trailer holding the sum of every byte before it.
std::string RemoteControl(std::uint32_t id, const std::string& payload = {}) {
  std::string record = HostControl(id, payload);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 4 < record.size(); ++i) sum += static_cast<unsigned char>(record[i]);
  le::PutU32(std::as_writable_bytes(std::span(record.data(), record.size())), record.size() - 4, sum);
  return record;
}

// Fields of a settings record (7000 or 7503), at their offsets in the record.
std::uint32_t TypeOf(const std::string& record) {
  return *le::ByteReader(record).U32(32);
}
std::uint32_t PingNumberOf(const std::string& record) {
  return *le::ByteReader(record).U32(64);
}
float RangeOf(const std::string& record) {
  return std::bit_cast<float>(*le::ByteReader(record).U32(76));
}
float MaxPingRateOf(const std::string& record) {
  return std::bit_cast<float>(*le::ByteReader(record).U32(96));
}

// The host's end of a connection to the sonar, on its own I/O context driven by the test's thread.
class HostSide {
 public:
  boost::system::error_code Connect(unsigned short port) {
    boost::system::error_code code;
    socket_.connect({boost::asio::ip::make_address("127.0.0.1"), port}, code);
    return code;
  }
  void Send(const std::string& record) {
    boost::system::error_code ignored;
    boost::asio::write(socket_, boost::asio::buffer(record), ignored);
  }
  // The next whole record the sonar sends; nothing once the connection is closed, or when nothing
  // comes within the bound.
  std::optional<std::string> NextRecord() {
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    for (;;) {
      if (pending_.size() >= 12) {
        const std::uint32_t size = *le::ByteReader(pending_).U32(8);
        if (size < 68) return std::nullopt;  // not a record the sonar would send
        if (pending_.size() >= size) {
          std::string record = pending_.substr(0, size);
          pending_.erase(0, size);
          return record;
        }
      }
      if (closed_) return std::nullopt;
      bool read = false;
      socket_.async_read_some(boost::asio::buffer(buffer_),
                              [&](const boost::system::error_code& error, std::size_t length) {
                                read = true;
                                if (error) {
                                  closed_ = true;
                                  return;
                                }
                                pending_.append(buffer_.data(), length);
                              });
      io_.restart();
      io_.run_until(deadline);
      if (!read) {
        boost::system::error_code ignored;
        socket_.cancel(ignored);
        io_.restart();
        io_.run();
        return std::nullopt;
      }
    }
  }
  // The next record of a type, passing over the others (pings, warnings).
  std::optional<std::string> NextRecordOfType(std::uint32_t type) {
    for (auto record = NextRecord(); record; record = NextRecord()) {
      if (TypeOf(*record) == type) return record;
    }
    return std::nullopt;
  }
  // Reads until the sonar closes the connection; false when it stays open past the bound.
  bool ClosedBySonar() {
    while (NextRecord()) {
    }
    return closed_;
  }

 private:
  boost::asio::io_context io_;
  boost::asio::ip::tcp::socket socket_{io_};
  std::array<char, 4096> buffer_{};
  std::string pending_;
  bool closed_ = false;
};

class UnplugTest : public ::testing::Test {
 protected:
  UnplugTest() : sonar_(Config()) {
    std::string error;
    EXPECT_TRUE(sonar_.Start(error)) << error;
  }

  static SimServerConfig Config() {
    SimServerConfig config;
    config.listen = "127.0.0.1:0";
    config.model = "shallow";
    config.heads = {{0, 7000}};
    config.biteIntervalSeconds = 0.0;
    return config;
  }
  zqwire::ZqPingSettings Settings() {
    zqwire::ZqPingSettings settings;
    sonar_.WithHead(0, [&](SimHead& head, std::vector<std::string>&) { settings = head.Settings(); });
    return settings;
  }
  // Sends the records and waits until the sonar has taken them all in.
  void SendAndWait(HostSide& host, const std::vector<std::string>& records) {
    const std::size_t before = sonar_.ReceivedRecords().size();
    for (const std::string& record : records) host.Send(record);
    ASSERT_TRUE(WaitFor([&] { return sonar_.ReceivedRecords().size() == before + records.size(); }));
  }
  void PlugIn() {
    std::string error;
    ASSERT_TRUE(sonar_.PlugIn(error)) << error;
  }

  SimServer sonar_;
};

TEST_F(UnplugTest, ConnectionsCloseAndNewOnesAreRefusedUntilPluggedIn) {
  HostSide connected;
  ASSERT_FALSE(connected.Connect(sonar_.Port()));
  ASSERT_TRUE(connected.NextRecordOfType(7503));

  sonar_.Unplug();
  EXPECT_TRUE(connected.ClosedBySonar());
  EXPECT_EQ(sonar_.ConnectionCount(), 0u);
  HostSide refused;
  EXPECT_EQ(refused.Connect(sonar_.Port()), boost::asio::error::connection_refused);
  sonar_.Unplug();  // once more changes nothing
  HostSide refusedAgain;
  EXPECT_EQ(refusedAgain.Connect(sonar_.Port()), boost::asio::error::connection_refused);

  PlugIn();
  HostSide host;
  ASSERT_FALSE(host.Connect(sonar_.Port()));
  // Greeted as on any new connection: the configuration, then the settings, before anything else.
  const auto first = host.NextRecord();
  const auto second = host.NextRecord();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(TypeOf(*first), 7003u);
  EXPECT_EQ(TypeOf(*second), 7503u);
  EXPECT_TRUE(WaitFor([&] { return sonar_.ConnectionCount() == 1; }));
}

TEST_F(UnplugTest, SettingsPingModeAndPingCountSurviveUnpluggingAndTriggersWorkAfterwards) {
  HostSide before;
  ASSERT_FALSE(before.Connect(sonar_.Port()));
  // Let the free-running head ping at least once, so that a counter started again would show.
  ASSERT_TRUE(WaitFor([&] { return Settings().pingNumber >= 1; }));
  SendAndWait(before, {RemoteControl(1003, F32(120.0F)), RemoteControl(1004, F32(0.0F))});
  // A ping already under way may still end; after it the head waits for triggers.
  ASSERT_TRUE(WaitFor([&] {
    bool waiting = false;
    sonar_.WithHead(0, [&](SimHead& head, std::vector<std::string>&) {
      waiting = !head.PingInProgress() && !head.NextPingStart(0.0);
    });
    return waiting;
  }));
  const std::uint32_t pingsBefore = Settings().pingNumber;

  sonar_.Unplug();
  PlugIn();
  HostSide after;
  ASSERT_FALSE(after.Connect(sonar_.Port()));
  const auto settings = after.NextRecordOfType(7503);
  ASSERT_TRUE(settings);
  EXPECT_EQ(RangeOf(*settings), 120.0F);
  EXPECT_EQ(MaxPingRateOf(*settings), 0.0F);
  EXPECT_EQ(PingNumberOf(*settings), pingsBefore);

  // One trigger, one ping, counted on from where the head was.
  after.Send(RemoteControl(1107));
  const auto ping = after.NextRecordOfType(7000);
  ASSERT_TRUE(ping);
  EXPECT_EQ(PingNumberOf(*ping), pingsBefore + 1);
  EXPECT_EQ(RangeOf(*ping), 120.0F);
}

TEST_F(UnplugTest, AFreeRunningHeadGoesOnPingingWhileUnplugged) {
  sonar_.Unplug();
  const std::uint32_t atUnplugging = Settings().pingNumber;
  ASSERT_TRUE(WaitFor([&] { return Settings().pingNumber >= atUnplugging + 3; }));
  PlugIn();
  HostSide host;
  ASSERT_FALSE(host.Connect(sonar_.Port()));
  // Nothing of what the head produced meanwhile was kept for the host: the greeting comes first.
  const auto first = host.NextRecord();
  ASSERT_TRUE(first);
  EXPECT_EQ(TypeOf(*first), 7003u);
  const auto settings = host.NextRecordOfType(7503);
  ASSERT_TRUE(settings);
  EXPECT_GE(PingNumberOf(*settings), atUnplugging + 3);
}

TEST_F(UnplugTest, PluggingInWhereAnotherProgramNowListensFailsWithAMessageAndCanBeRetried) {
  sonar_.Unplug();
  std::string error;
  {
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor squatter(io);
    const boost::asio::ip::tcp::endpoint endpoint(boost::asio::ip::make_address("127.0.0.1"), sonar_.Port());
    squatter.open(endpoint.protocol());
    squatter.set_option(boost::asio::socket_base::reuse_address(true));
    squatter.bind(endpoint);
    squatter.listen();
    EXPECT_FALSE(sonar_.PlugIn(error));
    EXPECT_NE(error.find("cannot listen on " + sonar_.Address() + " again"), std::string::npos) << error;
  }
  PlugIn();
  HostSide host;
  ASSERT_FALSE(host.Connect(sonar_.Port()));
  EXPECT_TRUE(host.NextRecordOfType(7003));
}

TEST(UnplugOutsideRunningTest, PluggingInASonarThatIsNotRunningFailsAndUnpluggingDoesNothing) {
  SimServer sonar(SimServerConfig{});
  std::string error;
  sonar.Unplug();
  EXPECT_FALSE(sonar.PlugIn(error));
  EXPECT_EQ(error, "the simulated sonar is not running");

  ASSERT_TRUE(sonar.Start(error)) << error;
  error.clear();
  EXPECT_TRUE(sonar.PlugIn(error)) << error;  // never unplugged: already listening
  sonar.Unplug();
  sonar.Stop();  // an unplugged sonar stops as any other
  sonar.Unplug();
  EXPECT_FALSE(sonar.PlugIn(error));
}

}  // namespace
