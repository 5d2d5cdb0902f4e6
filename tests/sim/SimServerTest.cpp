// A simulated processing unit unplugged and plugged in again, and stopped while recording, seen from a
// link as the host has one.
#include "sim/SimServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/asio/ip/tcp.hpp>
#include <mutex>
#include <optional>
#include <string>

#include "link/ZqLinkContext.h"
#include "link/ZqTcpLink.h"
#include "sim/SimHead.h"
#include "tests/link/Waiting.h"
#include "tests/platform/zq/ZqTestRecords.h"
#include "tests/tools/ScratchFolder.h"

namespace {

using zqtest::F32;

// The host's end: a link to the sonar as the host has one, keeping every record it receives.
struct HostSide {
  explicit HostSide(const std::string& address) : link(context, address) {
    link.SetReceiver([this](std::span<const std::byte> record) {
      std::lock_guard lock(mutex);
      records.emplace_back(reinterpret_cast<const char*>(record.data()), record.size());
    });
    link.Start();
  }
  // The first record of `type` from the `from`th on, once it came.
  std::optional<std::string> Next(std::uint32_t type, std::size_t from = 0) {
    std::optional<std::string> found;
    WaitFor([&] {
      std::lock_guard lock(mutex);
      const auto at = std::find_if(records.begin() + std::min(from, records.size()), records.end(),
                                   [&](const std::string& record) { return TypeOf(record) == type; });
      if (at != records.end()) found = *at;
      return found.has_value();
    });
    return found;
  }
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return records.size();
  }
  std::string At(std::size_t index) {
    std::lock_guard lock(mutex);
    return records.at(index);
  }
  bool Counters(std::uint64_t connects, std::uint64_t disconnects) {
    return WaitFor([&] {
      const auto counters = link.GetCounters();
      return counters.connects == connects && counters.disconnects == disconnects;
    });
  }

  // The records outlive the link, whose I/O thread may still deliver one while it is being stopped.
  std::mutex mutex;
  std::vector<std::string> records;
  ZqLinkContext context;
  ZqTcpLink link;
};

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
  HostSide host(sonar_.Address());
  ASSERT_TRUE(host.Next(7503));
  host.link.Send(CString(HostControl(1003, F32(120.0F))));
  ASSERT_TRUE(WaitFor([&] { return Settings().rangeM == 120.0F; }));
  sonar_.Unplug();
  EXPECT_TRUE(host.Counters(1, 1));
  EXPECT_EQ(sonar_.ConnectionCount(), 0u);
  sonar_.Unplug();  // once more changes nothing
  // The free-running head pings on; nothing it produced meanwhile is kept for the host, whose attempts
  // are refused.
  const std::uint32_t atUnplugging = Settings().pingNumber;
  ASSERT_TRUE(WaitFor([&] { return Settings().pingNumber >= atUnplugging + 3; }));
  EXPECT_EQ(host.link.GetCounters().problem, "cannot connect: Connection refused");
  const std::size_t greeting = host.Count();
  PlugIn();
  ASSERT_TRUE(host.Counters(2, 1));
  EXPECT_EQ(host.link.GetCounters().problem, "");  // cleared on connecting
  ASSERT_TRUE(host.Next(7503, greeting));
  EXPECT_EQ(TypeOf(host.At(greeting)), 7003u);
  const std::string record = host.At(greeting + 1);
  const le::ByteReader settings(record);
  EXPECT_EQ(TypeOf(record), 7503u);
  // The range and ping counter outlast unplugging (a sonar waiting for triggers keeps its turns: the
  // end-to-end SequencedPingingTest).
  EXPECT_GE(*settings.U32(64), atUnplugging + 3);
  EXPECT_EQ(settings.F32(76), 120.0F);
}

// Unlike a pulled cable, a power cycle loses the settings and the ping count: the host that connects
// again is greeted with the factory range (50 m for the shallow model) from ping 1 on.
TEST_F(SimServerTest, APowerCycleDropsTheHostAndGreetsItAgainAtTheFactorySettings) {
  HostSide host(sonar_.Address());
  ASSERT_TRUE(host.Next(7503));
  host.link.Send(CString(HostControl(1003, F32(120.0F))));
  ASSERT_TRUE(WaitFor([&] { return Settings().rangeM == 120.0F && Settings().pingNumber >= 3; }));
  const std::size_t before = host.Count();
  sonar_.PowerCycle();
  ASSERT_TRUE(host.Counters(2, 1));
  const std::optional<std::string> record = host.Next(7503, before);
  ASSERT_TRUE(record);
  const le::ByteReader settings(*record);
  EXPECT_LE(*settings.U32(64), 2u);
  EXPECT_EQ(settings.F32(76), 50.0F);
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
  EXPECT_TRUE(HostSide(sonar_.Address()).Next(7003));
  PlugIn();  // plugged in already: listening

  sonar_.Stop();  // an unplugged or stopped sonar stops as any other, and plugs in no more
  sonar_.Unplug();
  EXPECT_FALSE(sonar_.PlugIn(error));
  SimServer never(SimServerConfig{});
  never.Unplug();
  EXPECT_FALSE(never.PlugIn(error));
  EXPECT_EQ(error, "the simulated sonar is not running");
}

// How many of the process's open files are `file`.
std::size_t OpenedBy(const std::filesystem::path& file) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code code;
    if (std::filesystem::read_symlink(entry.path(), code) == file) ++count;
  }
  return count;
}

TEST(SimServerRecordingTest, StoppingTheServerClosesTheFileAndItsOwnFolderGoesWhenEmpty) {
  ScratchFolder folder("sim-server-test");
  SimServer sonar(SimServerConfig{
      .recordFolder = (folder / "records").string(), .biteIntervalSeconds = 0.0, .pingLog = nullptr});
  std::string error;
  ASSERT_TRUE(sonar.Start(error)) << error;
  const std::filesystem::path file = folder / "records/run.zq";
  {
    HostSide host(sonar.Address());
    ASSERT_TRUE(host.Next(7503));
    host.link.Send(CString(HostControl(1200, std::string(4, '\0') + "run.zq" + std::string(250, '\0'))));
    ASSERT_TRUE(WaitFor([&] {
      std::uint64_t size = 0;
      sonar.WithHead(0,
                     [&](SimHead& head, std::vector<std::string>&) { size = head.Settings().fileSizeBytes; });
      return size > 0;
    }));
    EXPECT_EQ(OpenedBy(file), 1u);
    sonar.Stop();
  }
  EXPECT_EQ(OpenedBy(file), 0u);
  const std::uintmax_t size = std::filesystem::file_size(file);
  EXPECT_EQ(size % 660, 0u);  // whole ping settings records
  EXPECT_GT(size, 0u);

  SimServer temporary(SimServerConfig{.biteIntervalSeconds = 0.0, .pingLog = nullptr});
  ASSERT_TRUE(temporary.Start(error)) << error;
  const std::filesystem::path own = temporary.RecordFolder();
  EXPECT_EQ(own.parent_path(), std::filesystem::temp_directory_path());
  EXPECT_TRUE(std::filesystem::is_directory(own));
  temporary.Stop();
  EXPECT_FALSE(std::filesystem::exists(own));  // nothing was recorded
}

}  // namespace
