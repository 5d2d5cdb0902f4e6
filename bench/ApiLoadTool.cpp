// tavrin-api-load: the host's API under abusive clients. It runs a host on the embedded default in this
// process and, while stream clients (a quarter of them never reading), idle connections and clients
// sending their headers a byte at a time hold the server, times ordinary API calls and watches the
// process's memory. Prints the latency distribution of the ordinary calls and the memory seen.
#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <fstream>
#include <iostream>
#include <thread>
#include <vector>

#include "bench/EmbeddedHost.h"
#include "tools/HttpClient.h"

namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

struct LoadOptions {
  int seconds = 30;
  int readingStreams = 48;
  int stalledStreams = 16;
  int idle = 300;
  int slow = 50;
  int callers = 4;
};

// Resident memory of this process in KiB.
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// One abusive client: connects, says what its kind says, and connects again whenever the server has
// cut it off, so that the pressure lasts for the whole run.
class Abuser : public std::enable_shared_from_this<Abuser> {
 public:
  enum class Kind { kReadingStream, kStalledStream, kIdle, kSlow };
  Abuser(asio::io_context& io, tcp::endpoint server, Kind kind)
      : socket_(io), timer_(io), server_(server), kind_(kind) {}

  void Connect() {
    boost::system::error_code ignored;
    socket_.close(ignored);
    socket_.open(tcp::v4(), ignored);
    // A stalled client takes little into its own buffers, so that the server's queue for it fills.
    if (kind_ == Kind::kStalledStream)
      socket_.set_option(asio::socket_base::receive_buffer_size(4096), ignored);
    socket_.async_connect(server_, [self = shared_from_this()](boost::system::error_code code) {
      if (code) return self->Retry();
      ++self->connects_;
      self->Begin();
    });
  }
  int Connects() const { return connects_; }

 private:
  void Begin() {
    sent_ = 0;
    switch (kind_) {
      case Kind::kReadingStream:
        asio::async_write(
            socket_, asio::buffer(kStream),
            [self = shared_from_this()](boost::system::error_code, std::size_t) { self->Drain(); });
        return;
      case Kind::kStalledStream:
        asio::async_write(
            socket_, asio::buffer(kStream),
            [self = shared_from_this()](boost::system::error_code, std::size_t) { self->WaitForClose(); });
        return;
      case Kind::kIdle:
        WaitForClose();
        return;
      case Kind::kSlow:
        Trickle();
        WaitForClose();
        return;
    }
  }
  // Reads whatever comes, until the server closes.
  void Drain() {
    socket_.async_read_some(asio::buffer(scratch_),
                            [self = shared_from_this()](boost::system::error_code code, std::size_t) {
                              if (code) return self->Retry();
                              self->Drain();
                            });
  }
  // An idle client waits for the server to close; a stalled one takes a single byte every five seconds,
  // which sees the close too but leaves the server's queue for it to fill.
  void WaitForClose() {
    if (kind_ != Kind::kStalledStream) {
      socket_.async_read_some(asio::buffer(scratch_),
                              [self = shared_from_this()](boost::system::error_code code, std::size_t) {
                                if (code) return self->Retry();
                                self->WaitForClose();
                              });
      return;
    }
    timer_.expires_after(std::chrono::seconds(5));
    timer_.async_wait([self = shared_from_this()](boost::system::error_code waited) {
      if (waited) return;
      self->socket_.async_read_some(asio::buffer(self->scratch_.data(), 1),
                                    [self](boost::system::error_code code, std::size_t) {
                                      if (code) return self->Retry();
                                      self->WaitForClose();
                                    });
    });
  }
  // One byte of the headers every two seconds.
  void Trickle() {
    if (sent_ >= kRequest.size()) return;
    asio::async_write(socket_, asio::buffer(kRequest.data() + sent_, 1),
                      [self = shared_from_this()](boost::system::error_code code, std::size_t) {
                        if (code) return;
                        ++self->sent_;
                        self->timer_.expires_after(std::chrono::seconds(2));
                        self->timer_.async_wait([self](boost::system::error_code waited) {
                          if (!waited) self->Trickle();
                        });
                      });
  }
  void Retry() {
    timer_.cancel();
    timer_.expires_after(std::chrono::milliseconds(100));
    timer_.async_wait([self = shared_from_this()](boost::system::error_code code) {
      if (!code) self->Connect();
    });
  }

  static inline const std::string kStream = "GET /api/stream HTTP/1.1\r\nHost: load\r\n\r\n";
  static inline const std::string kRequest = "GET /api/devices HTTP/1.1\r\nHost: load\r\n\r\n";
  tcp::socket socket_;
  asio::steady_timer timer_;
  tcp::endpoint server_;
  Kind kind_;
  std::size_t sent_ = 0;
  int connects_ = 0;
  std::array<char, 16384> scratch_{};
};

double Percentile(std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0.0;
  return sorted[std::min(sorted.size() - 1,
                         static_cast<std::size_t>(fraction * static_cast<double>(sorted.size())))];
}

int Run(const LoadOptions& options) {
  // Both ends of every connection live in this process.
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);

  std::string error;
  auto host = EmbeddedHost::Start(error);
  if (!host) {
    std::cerr << "tavrin-api-load: " << error << '\n';
    return 1;
  }
  HttpApi& api = *host->api;
  const int port = host->port;
  const tcp::endpoint server(asio::ip::make_address("127.0.0.1"), static_cast<std::uint16_t>(port));
  const long memoryBefore = ResidentKiB();

  asio::io_context io;
  std::vector<std::shared_ptr<Abuser>> abusers;
  const std::pair<Abuser::Kind, int> crowd[] = {{Abuser::Kind::kReadingStream, options.readingStreams},
                                                {Abuser::Kind::kStalledStream, options.stalledStreams},
                                                {Abuser::Kind::kIdle, options.idle},
                                                {Abuser::Kind::kSlow, options.slow}};
  for (const auto& [kind, count] : crowd) {
    for (int i = 0; i < count; ++i) abusers.push_back(std::make_shared<Abuser>(io, server, kind));
  }
  for (const auto& abuser : abusers) abuser->Connect();
  std::thread abuse([&io] { io.run(); });
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the crowd is in before the timing starts
  std::cout << "tavrin-api-load: " << api.OpenConnections() << " connections open; timing ordinary calls for "
            << options.seconds << " s\n";

  const auto end = Clock::now() + std::chrono::seconds(options.seconds);
  std::vector<std::vector<double>> latencies(static_cast<std::size_t>(options.callers));
  std::atomic<int> failures{0};
  std::vector<std::thread> callers;
  for (int c = 0; c < options.callers; ++c) {
    callers.emplace_back([&, c] {
      HttpClient client("127.0.0.1", port);
      for (int i = 0; Clock::now() < end; ++i) {
        const auto start = Clock::now();
        // Range changes make the sonar answer, so that events flow to every stream.
        const auto reply =
            i % 4 == 0   ? client.Post("/api/devices/1.78.1.1/request",
                                       "[{\"ZqRange\": {\"double\": " + std::to_string(20 + i % 100) + "}}]")
            : i % 4 == 1 ? client.Get("/api/devices/2.78.1.1/attributes")
            : i % 4 == 2 ? client.Get("/api/links")
                         : client.Get("/api/devices");
        if (!reply || reply->status >= 300) ++failures;
        latencies[static_cast<std::size_t>(c)].push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
  }
  long memoryMost = 0;
  while (Clock::now() < end) {
    memoryMost = std::max(memoryMost, ResidentKiB());
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  for (auto& caller : callers) caller.join();
  const std::size_t openAtEnd = api.OpenConnections();
  io.stop();
  abuse.join();

  std::vector<double> all;
  for (const auto& some : latencies) all.insert(all.end(), some.begin(), some.end());
  std::sort(all.begin(), all.end());
  int reconnects = 0;
  for (const auto& abuser : abusers) reconnects += abuser->Connects() - 1;
  std::cout << "tavrin-api-load: " << options.readingStreams << " reading and " << options.stalledStreams
            << " stalled stream clients, " << options.idle << " idle connections, " << options.slow
            << " slow senders (" << reconnects << " reconnects after being cut off; " << openAtEnd
            << " connections open at the end)\n"
            << "  ordinary calls: " << all.size() << ", failed " << failures << "; latency ms p50 "
            << Percentile(all, 0.5) << ", p99 " << Percentile(all, 0.99) << ", max "
            << (all.empty() ? 0 : all.back()) << "\n  resident memory: " << memoryBefore / 1024
            << " MiB before the crowd, at most " << memoryMost / 1024 << " MiB under load\n";
  host.reset();
  return Percentile(all, 0.99) < 50.0 && failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"tavrin-api-load: times ordinary API calls while abusive clients hold the host's HTTP server"};
  LoadOptions options;
  app.add_option("--seconds", options.seconds, "How long to time the ordinary calls (default 30)")
      ->check(CLI::Range(1, 3600));
  app.add_option("--reading-streams", options.readingStreams, "Event-stream clients that read (default 48)");
  app.add_option("--stalled-streams", options.stalledStreams,
                 "Event-stream clients that never read (default 16)");
  app.add_option("--idle", options.idle, "Connections that send nothing (default 300)");
  app.add_option("--slow", options.slow, "Clients sending their headers a byte every 2 s (default 50)");
  CLI11_PARSE(app, argc, argv);
  try {
    return Run(options);
  } catch (const std::exception& failure) {
    std::cerr << "tavrin-api-load: " << failure.what() << '\n';
    return 1;
  }
}
