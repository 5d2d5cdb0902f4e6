// Eight clients change eight pinging sonars through the API at once while another reads the device list:
// each sonar gets only its client's ranges in order (merged ones the later winning), and no link drops.
#include <atomic>
#include <cmath>
#include <functional>
#include <iterator>
#include <thread>

#include "link/ZqCaptureFile.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"
#include "tests/e2e/HostJourney.h"

namespace {

constexpr int kClients = 8;
constexpr int kRequestsPerClient = 300;

// Client c's i-th range: from 50 m in quarter metres, offset by c/32 m so that no two clients share a
// value. Within the limits of both sonar models (shallow 1 to 500 m, deep 50 to 11000 m), so the sonars
// take them as they are, and exact in single precision, as the record carries them.
double RangeOf(int client, int i) {
  return 50.0 + i / 4.0 + client / 32.0;
}

// The ranges each link sent, in order: remote controls (type 7500 at byte 32) with remote-control ID
// 1003 (byte 64) and the range as f32 at byte 88. Every record in the file has its checksum, and the
// time it passed (ns since the epoch) within the host's run.
std::vector<std::vector<float>> SentRanges(const std::filesystem::path& capture, std::uint64_t fromNs,
                                           std::uint64_t toNs) {
  std::ifstream in(capture, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ZqCaptureReader reader;
  reader.Feed(std::as_bytes(std::span(bytes.data(), bytes.size())));
  std::vector<std::vector<float>> ranges(kClients);
  ZqCaptureEntry entry;
  while (reader.Next(entry) == ZqCaptureReader::Result::kEntry) {
    EXPECT_TRUE(zqwire::HasValidChecksum(entry.record)) << "entry at " << entry.offset;
    EXPECT_TRUE(entry.timeNs >= fromNs && entry.timeNs <= toNs) << "entry at " << entry.offset;
    const le::ByteReader record(entry.record);
    if (entry.direction != zqcapture::kSent || record.U32(32) != 7500u || record.U32(64) != 1003u) continue;
    EXPECT_EQ(entry.record.size(), 96u);
    if (entry.linkIndex < kClients) ranges[entry.linkIndex].push_back(record.F32(88).value_or(0.0F));
  }
  EXPECT_TRUE(reader.AtEntryBoundary()) << reader.Problem();
  return ranges;
}

TEST_F(HostJourney, EightClientsChangingEightSonarsAtOnceAreAppliedInOrderWhileTheApiKeepsAnswering) {
  StartSonars({"shallow", "deep", "shallow", "deep", "shallow", "deep", "shallow", "deep"}, false);
  const auto capture = folder_ / "links.zqcap";
  const auto now = [] { return std::chrono::system_clock::now().time_since_epoch() / 1ns; };
  const std::uint64_t started = now();
  StartHost("--capture " + capture.string());
  ASSERT_TRUE(LinksConnected());

  std::vector<int> accepted(kClients, 0);
  std::atomic<int> posted{0};
  std::atomic<int> running{kClients};
  const auto deadline = std::chrono::steady_clock::now() + 60s;  // should the host stall; far beyond need
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      const auto client = Client();
      for (int i = 0; i < kRequestsPerClient && std::chrono::steady_clock::now() < deadline; ++i) {
        const Json body = Json::array({{{"ZqRange", {{"double", RangeOf(c, i)}}}}});
        const auto response = client->Post("/api/devices/" + Key(c) + "/request", body.dump());
        if (response && response->status == 202) ++accepted[c];
        ++posted;
      }
      --running;
    });
  }
  int issued = 0;
  int answered = 0;
  std::thread reader([&] {
    const auto client = Client();
    WaitFor([&] { return posted >= kClients * kRequestsPerClient / 10 || running == 0; }, 60s);
    for (; running > 0; std::this_thread::sleep_for(20ms)) {
      ++issued;
      const auto devices = client->Get("/api/devices");
      if (devices && devices->status == 200 && Json::parse(devices->body).size() == kClients) ++answered;
    }
  });
  for (std::thread& client : clients) client.join();
  reader.join();
  for (int c = 0; c < kClients; ++c) EXPECT_EQ(accepted[c], kRequestsPerClient) << Key(c);
  EXPECT_GE(issued, 1);
  EXPECT_EQ(answered, issued);

  // A settings record the sonar sent before taking the last range may show an older one for a moment.
  for (int c = 0; c < kClients; ++c) {
    EXPECT_TRUE(WaitFor([&] {
      return Value(Attributes(c), "ZqRange") == RangeOf(c, kRequestsPerClient - 1);
    })) << Key(c);
  }
  for (const Json& link : Get("/api/links")) {
    EXPECT_EQ(link["droppedWhileDown"], 0) << link;
    EXPECT_EQ(link["disconnects"], 0) << link;
  }
  StopHost();

  const auto sent = SentRanges(capture, started, now());
  for (int c = 0; c < kClients; ++c) {
    const std::vector<float>& ranges = sent[c];
    EXPECT_TRUE(std::all_of(ranges.begin(), ranges.end(), [&](float range) {
      const double step = (range - RangeOf(c, 0)) * 4.0;
      return step >= 0.0 && step < kRequestsPerClient && step == std::floor(step);
    })) << Key(c);
    EXPECT_EQ(std::adjacent_find(ranges.begin(), ranges.end(), std::greater_equal<>()), ranges.end())
        << Key(c);
    ASSERT_FALSE(ranges.empty()) << Key(c);
    EXPECT_EQ(ranges.back(), static_cast<float>(RangeOf(c, kRequestsPerClient - 1))) << Key(c);
  }
}

}  // namespace
