// Throughput of the link's receive path on a stream of settings records: the reader alone in memory,
// the whole link over loopback TCP, and plain loopback TCP carrying the same bytes with no reader.
// Then the round trip of a request for the settings record through a simulated sonar, beside a plain
// loopback exchange of the same sizes.
#include <benchmark/benchmark.h>

#include <atomic>
#include <boost/asio.hpp>
#include <chrono>
#include <string>
#include <thread>

#include "link/ZqLinkContext.h"
#include "link/ZqRecordReader.h"
#include "link/ZqTcpLink.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqSettingsRecord.h"
#include "platform/zq/ZqWireFormat.h"
#include "sim/SimServer.h"

namespace {

constexpr std::size_t kRecordsPerStream = 4096;  // 2.7 MB of settings records

std::string SettingsStream() {
  zqwire::ZqPingSettings settings;
  settings.rangeM = 50.0F;
  settings.soundVelocity = 1500.0F;
  std::string stream;
  for (std::size_t i = 0; i < kRecordsPerStream; ++i) {
    settings.pingNumber = static_cast<std::uint32_t>(i);
    stream += zqwire::BuildRecord(zqwire::kPingSettingsRecordType, 7000, 0,
                                  zqwire::EncodeSettingsBody(settings), 0.0);
  }
  return stream;
}

void ReportStream(benchmark::State& state, std::size_t streamBytes) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRecordsPerStream));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * streamBytes));
}

void BM_ReaderInMemory(benchmark::State& state) {
  const std::string stream = SettingsStream();
  const auto bytes = zqwire::AsBytes(stream);
  constexpr std::size_t kRead = 64 * 1024;  // what one socket read hands over
  std::size_t records = 0;
  ZqRecordReader reader([&records](std::span<const std::byte>) { ++records; });
  for (auto _ : state) {
    for (std::size_t at = 0; at < bytes.size(); at += kRead) {
      reader.Feed(bytes.subspan(at, std::min(kRead, bytes.size() - at)));
    }
  }
  benchmark::DoNotOptimize(records);
  ReportStream(state, stream.size());
}
BENCHMARK(BM_ReaderInMemory)->Unit(benchmark::kMillisecond);

// A sonar stand-in that writes the whole stream to each connection it accepts, once per request byte.
class StreamServer {
 public:
  explicit StreamServer(std::string stream) : stream_(std::move(stream)) {
    thread_ = std::thread([this] {
      boost::system::error_code error;
      while (!stopping_) {
        boost::asio::ip::tcp::socket peer(io_);
        acceptor_.accept(peer, error);
        if (error || stopping_) return;
        char request = 0;
        while (boost::asio::read(peer, boost::asio::buffer(&request, 1), error) == 1)
          boost::asio::write(peer, boost::asio::buffer(stream_), error);
      }
    });
  }
  ~StreamServer() {
    stopping_ = true;
    boost::system::error_code ignored;
    boost::asio::ip::tcp::socket wake(io_);
    wake.connect(acceptor_.local_endpoint(), ignored);
    wake.close(ignored);
    thread_.join();
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port()); }
  boost::asio::ip::tcp::endpoint Endpoint() const { return acceptor_.local_endpoint(); }

 private:
  std::string stream_;
  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor acceptor_{io_, {boost::asio::ip::make_address("127.0.0.1"), 0}};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// The link: connection, reads, record checks, and the receiver counting records.
void BM_LinkOverLoopback(benchmark::State& state) {
  const std::string stream = SettingsStream();
  StreamServer server(stream);
  ZqLinkContext context;
  ZqTcpLink link(context, server.Address());
  std::atomic<std::size_t> records{0};
  link.SetReceiver(
      [&records](std::span<const std::byte>) { records.fetch_add(1, std::memory_order_release); });
  link.Start();
  while (link.GetCounters().state != ZqTcpLink::State::kConnected)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  CString request;
  request.GetBufferSetLength(1)[0] = 'g';
  std::size_t expected = 0;
  for (auto _ : state) {
    expected += kRecordsPerStream;
    link.Send(request);  // one byte asks the server for the stream
    while (records.load(std::memory_order_acquire) < expected) std::this_thread::yield();
  }
  ReportStream(state, stream.size());
}
BENCHMARK(BM_LinkOverLoopback)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes over a plain blocking socket, read in 64 KiB pieces and thrown away.
void BM_RawTcpOverLoopback(benchmark::State& state) {
  const std::string stream = SettingsStream();
  StreamServer server(stream);
  boost::asio::io_context io;
  boost::asio::ip::tcp::socket socket(io);
  socket.connect(server.Endpoint());
  std::vector<char> buffer(64 * 1024);
  for (auto _ : state) {
    boost::asio::write(socket, boost::asio::buffer("g", 1));
    std::size_t received = 0;
    while (received < stream.size()) received += socket.read_some(boost::asio::buffer(buffer));
  }
  ReportStream(state, stream.size());
}
BENCHMARK(BM_RawTcpOverLoopback)->Unit(benchmark::kMillisecond)->UseRealTime();

// A single record request for the settings record (remote control 1050, payload 7503), 96 bytes.
std::string SettingsRequest() {
  std::string data(28, '\0');
  const auto bytes = std::as_writable_bytes(std::span(data.data(), data.size()));
  le::PutU32(bytes, 0, 1050);
  le::PutU32(bytes, 4, 1050);
  le::PutU32(bytes, 24, zqwire::kSettingsOnRequestRecordType);
  return zqwire::BuildRecord(zqwire::kRemoteControlRecordType, 7000, 0, data, 0.0);
}

// Request out through the link, the simulated sonar's answer back through the reader.
void BM_SettingsRoundTripThroughSimulator(benchmark::State& state) {
  SimServerConfig config;
  config.biteIntervalSeconds = 0.0;
  SimServer sonar(config);
  std::string error;
  if (!sonar.Start(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  ZqLinkContext context;
  ZqTcpLink link(context, sonar.Address());
  std::atomic<std::size_t> answers{0};
  link.SetReceiver([&answers](std::span<const std::byte> record) {
    if (zqwire::ReadHeader(record).recordType == zqwire::kSettingsOnRequestRecordType) {
      answers.fetch_add(1, std::memory_order_release);
    }
  });
  link.Start();
  while (link.GetCounters().state != ZqTcpLink::State::kConnected)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the greeting's 7503 has come
  const std::string requestBytes = SettingsRequest();
  CString request;
  std::copy(requestBytes.begin(), requestBytes.end(),
            request.GetBufferSetLength(static_cast<int>(requestBytes.size())));
  std::size_t expected = answers.load();
  for (auto _ : state) {
    ++expected;
    link.Send(request);
    while (answers.load(std::memory_order_acquire) < expected) std::this_thread::yield();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_SettingsRoundTripThroughSimulator)->Unit(benchmark::kMicrosecond)->UseRealTime();

// 96 bytes out, 660 bytes back, over plain blocking loopback sockets.
void BM_RawTcpRoundTrip(benchmark::State& state) {
  boost::asio::io_context io;
  boost::asio::ip::tcp::acceptor acceptor(io, {boost::asio::ip::make_address("127.0.0.1"), 0});
  std::thread answerer([&acceptor] {
    boost::system::error_code error;
    boost::asio::ip::tcp::socket peer(acceptor.get_executor());
    acceptor.accept(peer, error);
    peer.set_option(boost::asio::ip::tcp::no_delay(true), error);
    std::array<char, 96> request{};
    const std::string answer(zqwire::kSettingsRecordSize, 'a');
    while (!error && boost::asio::read(peer, boost::asio::buffer(request), error) == request.size()) {
      boost::asio::write(peer, boost::asio::buffer(answer), error);
    }
  });
  boost::asio::ip::tcp::socket socket(io);
  socket.connect(acceptor.local_endpoint());
  socket.set_option(boost::asio::ip::tcp::no_delay(true));
  const std::array<char, 96> request{};
  std::array<char, zqwire::kSettingsRecordSize> answer{};
  for (auto _ : state) {
    boost::asio::write(socket, boost::asio::buffer(request));
    boost::asio::read(socket, boost::asio::buffer(answer));
  }
  socket.close();
  answerer.join();
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_RawTcpRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
