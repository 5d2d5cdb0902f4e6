// Throughput of the link's receive path on a stream of settings records: the reader alone in memory,
// the whole link over loopback TCP, and plain loopback TCP carrying the same bytes with no reader.
// Then the round trip of a request for the settings record through a simulated sonar, beside a plain
// loopback exchange of the same sizes; and how soon a link's loss reaches its sonar's buffer status.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <boost/asio.hpp>
#include <chrono>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/HostRuntime.h"
#include "link/ZqLinkContext.h"
#include "link/ZqRecordReader.h"
#include "link/ZqTcpLink.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/zq/KavoDevice.h"
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
  constexpr std::size_t kRead = std::size_t{64} * 1024;  // what one socket read hands over
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
  std::atomic<std::size_t> records{0};  // outlives the link, whose I/O thread counts into it
  ZqLinkContext context;
  ZqTcpLink link(context, server.Address());
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
  std::vector<char> buffer(std::size_t{64} * 1024);
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
  std::atomic<std::size_t> answers{0};  // outlives the link, whose I/O thread counts into it
  ZqLinkContext context;
  ZqTcpLink link(context, sonar.Address());
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

// Now, as the host stamps a buffer status: system clock seconds.
double SystemSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// A processing unit stand-in that takes one connection at a time and closes it on command: the cable
// pulled at a moment the benchmark knows.
class DroppingPeer {
 public:
  DroppingPeer() {
    Accept();
    thread_ = std::thread([this] { io_.run(); });
  }
  ~DroppingPeer() {
    boost::asio::post(io_, [this] {
      boost::system::error_code ignored;
      acceptor_.close(ignored);
      socket_.close(ignored);
    });
    work_.reset();
    thread_.join();
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port()); }
  // Closes the connection accepted last, once there is one not closed yet; the moment just before it
  // closes, in system clock seconds as the host stamps a buffer status.
  double Drop() {
    std::promise<double> closed;
    CloseWhenAccepted(closed);
    return closed.get_future().get();
  }

 private:
  void Accept() {
    acceptor_.async_accept(
        [this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
          if (error) return;
          socket_ = std::move(socket);
          Accept();
        });
  }
  void CloseWhenAccepted(std::promise<double>& closed) {
    boost::asio::post(io_, [this, &closed] {
      if (!socket_.is_open()) {
        CloseWhenAccepted(closed);  // the host's new connection is not accepted yet
        return;
      }
      const double now = SystemSeconds();
      boost::system::error_code ignored;
      socket_.close(ignored);
      closed.set_value(now);
    });
  }

  boost::asio::io_context io_;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_{io_.get_executor()};
  boost::asio::ip::tcp::acceptor acceptor_{io_, {boost::asio::ip::make_address("127.0.0.1"), 0}};
  boost::asio::ip::tcp::socket socket_{io_};
  std::thread thread_;
};

// The buffer status of the identifier's buffer and the host time (system clock seconds) it was set.
unsigned short BufferStatusOf(const CDataId& id, double* setAt = nullptr) {
  double time = 0.0;
  unsigned short status = 0xFFFF;
  const BaseDataSource* buffer = DataManager::GetDataManager().FindDatablockBuffer(id);
  if (buffer != nullptr) buffer->GetBufferStatus(time, status);
  if (setAt != nullptr) *setAt = time;
  return status;
}

// Notes when the buffer-status notification that says link down is delivered, as a ping sequence
// hears it.
struct LinkDownHeard : Subscriber {
  explicit LinkDownHeard(const CDataId& sonar) : id(sonar) {
    subscription.SetSubscriber(this, false);
    subscription.Subscribe(id.GetKey());
  }
  void Notify(const NotificationInfo* /*info*/) override {
    if (armed && BufferStatusOf(id) == BufferStatus::kLinkDown) {
      at = SystemSeconds();
      armed = false;
      heard = true;
    }
  }
  const CDataId id;
  std::atomic<bool> armed{false};
  std::atomic<bool> heard{false};
  double at = 0.0;  // written before heard is set, read after
  SubscriptionImpl subscription{NotificationKind::kDataBuffer};
};

double Median(std::vector<double> samples) {
  if (samples.empty()) return 0.0;
  std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2),
                   samples.end());
  return samples[samples.size() / 2];
}

// A host's sonar link loses its connection (the sonar's side closes it), as the host runs it: the
// link reports the loss and the sonar device's buffer status says link down. Times from the close:
// until the status is set (set_us, the median) and until its notification, which a ping sequence
// hears, is delivered (the time shown, and heard_us, the median). The host connects again a retry
// delay later, between the iterations.
void BM_LinkLossToBufferStatus(benchmark::State& state) {
  DroppingPeer peer;
  const CDataId id(9501, 78, 1, 1);
  HostConfig config;
  DeviceConfig device;
  device.type = "sonar";
  device.name = "Sonar";
  device.dataId = id;
  device.dataTimeOutSeconds = 0.0;  // the peer sends no data: only the link counts
  device.link = SonarLinkConfig{peer.Address(), {kDefaultZqHead}, std::nullopt};
  config.devices.push_back(device);
  LinkDownHeard heard(id);
  std::ostringstream log;
  std::string error;
  auto runtime = HostRuntime::Start(
      config, {}, [](const std::string&) { return std::make_unique<KavoDevice>(); }, log, error);
  if (!runtime) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::vector<double> setMicroseconds;
  std::vector<double> heardMicroseconds;
  for (auto _ : state) {
    while (BufferStatusOf(id) != BufferStatus::kDataFlowing) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    SubscriptionManager::Instance().WaitIdle(std::chrono::seconds(5));  // the connection's own news is out
    heard.heard = false;
    heard.armed = true;
    const auto dropped = peer.Drop();
    while (!heard.heard) std::this_thread::sleep_for(std::chrono::microseconds(50));
    double setAt = 0.0;
    BufferStatusOf(id, &setAt);
    setMicroseconds.push_back((setAt - dropped) * 1e6);
    heardMicroseconds.push_back((heard.at - dropped) * 1e6);
    state.SetIterationTime(heard.at - dropped);
  }
  state.counters["set_us"] = Median(setMicroseconds);
  state.counters["heard_us"] = Median(heardMicroseconds);
}
BENCHMARK(BM_LinkLossToBufferStatus)->Iterations(40)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
