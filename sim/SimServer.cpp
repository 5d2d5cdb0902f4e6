// The simulated processing unit's network side and ping clock. Everything here runs on the server's
// one thread; other threads reach it only through posted work (WithHead, DropConnections, Unplug,
// PlugIn, Stop) and the received-records log, which has its own lock.
#include "sim/SimServer.h"

#include <stdlib.h>
#include <sys/prctl.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <charconv>
#include <deque>
#include <filesystem>
#include <future>
#include <list>
#include <mutex>
#include <optional>
#include <thread>

#include "link/ZqRecordReader.h"
#include "platform/zq/ZqWireFormat.h"
#include "sim/PingLog.h"
#include "sim/SimHead.h"
#include "sim/SimModel.h"

namespace {

constexpr std::size_t kReceivedRecordsKept = 4096;
constexpr std::size_t kReadBufferSize = std::size_t{64} * 1024;

boost::asio::steady_timer::time_point AtSteadySeconds(double seconds) {
  return boost::asio::steady_timer::time_point(
      std::chrono::duration_cast<boost::asio::steady_timer::duration>(
          std::chrono::duration<double>(seconds)));
}

// "ADDRESS:PORT", with brackets around an IPv6 address.
std::string EndpointText(const boost::asio::ip::tcp::endpoint& endpoint) {
  const std::string host = endpoint.address().to_string();
  return (endpoint.address().is_v6() ? "[" + host + "]" : host) + ":" + std::to_string(endpoint.port());
}

// Opens, binds and listens. The address is reused so that the port can be listened on again while
// connections closed on it linger.
boost::system::error_code Listen(boost::asio::ip::tcp::acceptor& acceptor,
                                 const boost::asio::ip::tcp::endpoint& endpoint) {
  boost::system::error_code code;
  acceptor.open(endpoint.protocol(), code);
  if (!code) acceptor.set_option(boost::asio::socket_base::reuse_address(true), code);
  if (!code) acceptor.bind(endpoint, code);
  if (!code) acceptor.listen(boost::asio::socket_base::max_listen_connections, code);
  if (code) {
    boost::system::error_code ignored;
    acceptor.close(ignored);
  }
  return code;
}

// A new folder under the system's temporary folder; nothing when none can be made (recording then
// reports the folder it could not make).
std::optional<std::filesystem::path> MakeTemporaryRecordFolder() {
  std::error_code code;
  const std::filesystem::path temporary = std::filesystem::temp_directory_path(code);
  if (code) return std::nullopt;
  std::string pattern = (temporary / "zq-sonar-sim-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
  return std::filesystem::path(pattern);
}

}  // namespace

struct SimServer::Impl : std::enable_shared_from_this<SimServer::Impl> {
  struct Connection : std::enable_shared_from_this<Connection> {
    Connection(Impl& serverImpl, boost::asio::ip::tcp::socket peer)
        : server(serverImpl),
          socket(std::move(peer)),
          reader([this](std::span<const std::byte> record) { server.OnRecord(record); }) {}
    void Read();
    void Send(const std::string& record);
    void Write();
    void Close();

    Impl& server;
    boost::asio::ip::tcp::socket socket;
    std::array<std::byte, kReadBufferSize> buffer{};
    ZqRecordReader reader;
    std::deque<std::string> queue;
    bool writing = false;
  };

  struct HeadRunner {
    HeadRunner(boost::asio::io_context& io, std::unique_ptr<SimHead> simHead)
        : head(std::move(simHead)), timer(io) {}
    std::unique_ptr<SimHead> head;
    boost::asio::steady_timer timer;
    std::uint64_t schedule = 0;  // which schedule a timer completion belongs to
    std::optional<PingTiming> ping;
  };

  explicit Impl(SimServerConfig serverConfig) : config(std::move(serverConfig)) {}

  void Accept();
  void OnRecord(std::span<const std::byte> record);
  void Broadcast(const std::vector<std::string>& records);
  void Schedule(HeadRunner& runner);
  void StartPing(HeadRunner& runner);
  void FinishPing(HeadRunner& runner);
  void ScheduleBite();
  void CloseConnections();
  void CloseAll();

  SimServerConfig config;
  bool madeRecordFolder = false;  // the server made config.recordFolder itself
  boost::asio::io_context io;
  // Keeps the thread running while unplugged, when a head waiting for triggers may leave it nothing
  // else to wait for; released by Stop.
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work{io.get_executor()};
  boost::asio::ip::tcp::acceptor acceptor{io};
  boost::asio::ip::tcp::endpoint listening;  // set before the thread starts, read-only afterwards
  boost::asio::steady_timer biteTimer{io};
  std::list<std::shared_ptr<Connection>> connections;
  std::vector<std::unique_ptr<HeadRunner>> heads;
  std::thread thread;
  bool stopped = false;
  bool unplugged = false;
  // Counts the times the sonar was unplugged: an accept begun before the latest unplugging may still
  // complete, and must neither keep its peer nor accept again.
  std::uint64_t plugging = 0;

  mutable std::mutex receivedMutex;
  std::deque<std::string> received;
  std::size_t connectionCount = 0;  // guarded by receivedMutex
};

void SimServer::Impl::Connection::Read() {
  socket.async_read_some(
      boost::asio::buffer(buffer),
      [self = shared_from_this()](const boost::system::error_code& error, std::size_t length) {
        if (error) {
          self->Close();
          return;
        }
        self->reader.Feed(std::span(self->buffer).first(length));
        self->Read();
      });
}

void SimServer::Impl::Connection::Send(const std::string& record) {
  if (!socket.is_open()) return;
  queue.push_back(record);
  if (!writing) Write();
}

void SimServer::Impl::Connection::Write() {
  writing = true;
  boost::asio::async_write(socket, boost::asio::buffer(queue.front()),
                           [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                             // A connection closed meanwhile has dropped its queue, the record written
                             // with it.
                             if (error || !self->socket.is_open()) {
                               self->Close();
                               return;
                             }
                             self->queue.pop_front();
                             if (self->queue.empty()) {
                               self->writing = false;
                             } else {
                               self->Write();
                             }
                           });
}

void SimServer::Impl::Connection::Close() {
  boost::system::error_code ignored;
  socket.close(ignored);
  queue.clear();
  writing = false;
  server.connections.remove(shared_from_this());
  std::lock_guard lock(server.receivedMutex);
  server.connectionCount = server.connections.size();
}

void SimServer::Impl::Accept() {
  acceptor.async_accept([self = shared_from_this(), plugging = plugging](
                            const boost::system::error_code& error, boost::asio::ip::tcp::socket peer) {
    if (self->stopped || plugging != self->plugging) return;
    if (!error) {
      boost::system::error_code ignored;
      peer.set_option(boost::asio::ip::tcp::no_delay(true), ignored);
      auto connection = std::make_shared<Connection>(*self, std::move(peer));
      self->connections.push_back(connection);
      {
        std::lock_guard lock(self->receivedMutex);
        self->connectionCount = self->connections.size();
      }
      std::vector<std::string> greeting;
      for (auto& runner : self->heads) runner->head->OnConnect(greeting);
      for (const std::string& record : greeting) connection->Send(record);
      connection->Read();
    }
    self->Accept();
  });
}

void SimServer::Impl::OnRecord(std::span<const std::byte> record) {
  {
    std::lock_guard lock(receivedMutex);
    received.emplace_back(reinterpret_cast<const char*>(record.data()), record.size());
    if (received.size() > kReceivedRecordsKept) received.pop_front();
  }
  const zqwire::RecordHeader header = zqwire::ReadHeader(record);
  std::vector<std::string> answers;
  for (auto& runner : heads) {
    if (runner->head->DeviceId() != header.deviceId) continue;
    runner->head->Apply(record, SteadySeconds(), answers);
    Schedule(*runner);
  }
  Broadcast(answers);
}

void SimServer::Impl::Broadcast(const std::vector<std::string>& records) {
  if (records.empty()) return;
  // A connection that fails while sending takes itself out of the list: walk a copy.
  const auto open = connections;
  for (const auto& connection : open) {
    for (const std::string& record : records) connection->Send(record);
  }
}

void SimServer::Impl::Schedule(HeadRunner& runner) {
  if (stopped || runner.ping) return;  // the end of the ping in progress schedules the next
  const std::uint64_t schedule = ++runner.schedule;
  runner.timer.cancel();
  const auto start = runner.head->NextPingStart(SteadySeconds());
  if (!start) return;
  runner.timer.expires_at(AtSteadySeconds(*start));
  runner.timer.async_wait(
      [self = shared_from_this(), &runner, schedule](const boost::system::error_code& error) {
        if (error || self->stopped || schedule != runner.schedule) return;
        self->StartPing(runner);
      });
}

void SimServer::Impl::StartPing(HeadRunner& runner) {
  runner.ping = runner.head->StartPing(SteadySeconds());
  const std::uint64_t schedule = ++runner.schedule;
  runner.timer.expires_at(AtSteadySeconds(runner.ping->end));
  runner.timer.async_wait(
      [self = shared_from_this(), &runner, schedule](const boost::system::error_code& error) {
        if (error || self->stopped || schedule != runner.schedule) return;
        self->FinishPing(runner);
      });
}

void SimServer::Impl::FinishPing(HeadRunner& runner) {
  const PingTiming ping = *runner.ping;
  runner.ping.reset();
  std::vector<std::string> records;
  runner.head->FinishPing(ping, records);
  // The settings record ends the ping for the host: it leaves before the ping log's line is written.
  Broadcast(records);
  if (config.pingLog) config.pingLog->Write(config.name, ping.deviceEnum, ping);
  Schedule(runner);
}

void SimServer::Impl::ScheduleBite() {
  if (config.biteIntervalSeconds <= 0.0) return;
  biteTimer.expires_after(std::chrono::duration_cast<boost::asio::steady_timer::duration>(
      std::chrono::duration<double>(config.biteIntervalSeconds)));
  biteTimer.async_wait([self = shared_from_this()](const boost::system::error_code& error) {
    if (error || self->stopped) return;
    std::vector<std::string> records;
    for (auto& runner : self->heads) runner->head->Bite(records);
    self->Broadcast(records);
    self->ScheduleBite();
  });
}

void SimServer::Impl::CloseConnections() {
  // Each connection takes itself out of the list: walk a copy.
  const auto open = connections;
  for (const auto& connection : open) connection->Close();
}

void SimServer::Impl::CloseAll() {
  // The files are closed; the events saying so go nowhere, as the connections close at once.
  std::vector<std::string> unsent;
  for (auto& runner : heads) runner->head->StopRecording(unsent);
  stopped = true;
  boost::system::error_code ignored;
  acceptor.close(ignored);
  biteTimer.cancel();
  for (auto& runner : heads) runner->timer.cancel();
  CloseConnections();
  work.reset();
}

SimServer::SimServer(SimServerConfig config) : impl_(std::make_shared<Impl>(std::move(config))) {}

SimServer::~SimServer() {
  Stop();
}

std::vector<ZqHead> SimServer::AnsweredHeads() const {
  const std::optional<SimModel> model = SimModel::ByName(impl_->config.model);
  if (!model) return {};
  std::vector<ZqHead> heads = impl_->config.heads;
  for (const ZqHead& head : impl_->config.heads) {
    for (std::size_t set = 1; set < model->settingSets.size(); ++set) {
      heads.push_back({static_cast<std::uint16_t>(head.deviceEnum + set), head.deviceId});
    }
  }
  return heads;
}

std::optional<std::size_t> SimHeadAnswering(const SimServerConfig& config, std::uint16_t deviceEnum) {
  const std::optional<SimModel> model = SimModel::ByName(config.model);
  if (!model) return std::nullopt;
  for (std::size_t i = 0; i < config.heads.size(); ++i) {
    const ZqHead& head = config.heads[i];
    if (deviceEnum >= head.deviceEnum &&
        static_cast<std::size_t>(deviceEnum - head.deviceEnum) < model->settingSets.size()) {
      return i;
    }
  }
  return std::nullopt;
}

bool SimServer::Start(std::string& error) {
  if (impl_->thread.joinable() || impl_->stopped) {
    error = "the simulated sonar was started before";
    return false;
  }
  const std::optional<SimModel> model = SimModel::ByName(impl_->config.model);
  if (!model) {
    error = "unknown sonar model \"" + impl_->config.model + "\" (shallow or deep)";
    return false;
  }
  const std::string& listen = impl_->config.listen;
  const auto colon = listen.rfind(':');
  unsigned port = 70000;  // refused below unless a whole number follows the colon
  if (colon != std::string::npos) {
    const char* first = listen.data() + colon + 1;
    const char* last = listen.data() + listen.size();
    const auto [end, problem] = std::from_chars(first, last, port);
    if (problem != std::errc() || end != last || first == last) port = 70000;
  }
  if (port > 65535) {
    error = "listen address \"" + listen + "\" is not ADDRESS:PORT with a port from 0 to 65535";
    return false;
  }
  std::string host = listen.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  boost::system::error_code code;
  const auto address = boost::asio::ip::make_address(host, code);
  if (code) {
    error = "listen address \"" + impl_->config.listen + "\": \"" + host + "\" is not an IP address";
    return false;
  }
  const boost::asio::ip::tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
  auto& acceptor = impl_->acceptor;
  code = Listen(acceptor, endpoint);
  if (code) {
    error = "cannot listen on " + listen + ": " + code.message();
    return false;
  }
  impl_->listening = acceptor.local_endpoint(code);
  if (impl_->config.recordFolder.empty()) {
    const auto folder = MakeTemporaryRecordFolder();
    impl_->madeRecordFolder = folder.has_value();
    impl_->config.recordFolder =
        folder.value_or(std::filesystem::temp_directory_path(code) / "zq-sonar-sim").string();
  }

  for (std::size_t i = 0; i < impl_->config.heads.size(); ++i) {
    const ZqHead& head = impl_->config.heads[i];
    auto simHead = std::make_unique<SimHead>(*model, head.deviceEnum, head.deviceId,
                                             impl_->config.name + (i == 0 ? "" : "#" + std::to_string(i)),
                                             impl_->config.recordFolder);
    if (impl_->config.prepareHead) impl_->config.prepareHead(i, *simHead);
    impl_->heads.push_back(std::make_unique<Impl::HeadRunner>(impl_->io, std::move(simHead)));
  }
  boost::asio::post(impl_->io, [self = impl_] {
    self->Accept();
    for (auto& runner : self->heads) self->Schedule(*runner);
    self->ScheduleBite();
  });
  impl_->thread = std::thread([self = impl_] {
    // A ping ends, and its settings record leaves, when it is due: not up to the 50 us later by which
    // the kernel may delay a timer to wake threads together.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    self->io.run();
  });
  return true;
}

void SimServer::Stop() {
  if (!impl_->thread.joinable()) return;
  boost::asio::post(impl_->io, [self = impl_] { self->CloseAll(); });
  // Once the pending operations have ended with the closed sockets, the loop runs out of work.
  impl_->thread.join();
  if (impl_->madeRecordFolder) {
    std::error_code ignored;
    std::filesystem::remove(impl_->config.recordFolder, ignored);  // only when empty
  }
}

std::string SimServer::Address() const {
  const auto& endpoint = impl_->listening;
  if (endpoint.port() == 0) return {};
  return EndpointText(endpoint);
}

unsigned short SimServer::Port() const {
  return impl_->listening.port();
}

std::string SimServer::RecordFolder() const {
  return impl_->config.recordFolder;
}

bool SimServer::WithHead(std::size_t index, const HeadAction& fn) {
  if (index >= impl_->heads.size() || !impl_->thread.joinable()) return false;
  std::promise<void> done;
  boost::asio::post(impl_->io, [self = impl_, index, &fn, &done] {
    Impl::HeadRunner& runner = *self->heads[index];
    std::vector<std::string> records;
    fn(*runner.head, records);
    self->Broadcast(records);
    self->Schedule(runner);
    done.set_value();
  });
  done.get_future().wait();
  return true;
}

void SimServer::DropConnections() {
  if (!impl_->thread.joinable()) return;
  std::promise<void> done;
  boost::asio::post(impl_->io, [self = impl_, &done] {
    self->CloseConnections();
    done.set_value();
  });
  done.get_future().wait();
}

void SimServer::PowerCycle() {
  if (!impl_->thread.joinable()) return;
  std::promise<void> done;
  boost::asio::post(impl_->io, [self = impl_, &done] {
    if (!self->stopped) {
      self->CloseConnections();
      std::vector<std::string> unheard;  // nobody is connected to hear the recording's end
      for (auto& runner : self->heads) {
        // The ping under way is lost with the power.
        runner->ping.reset();
        ++runner->schedule;
        runner->timer.cancel();
        runner->head->PowerCycle(unheard);
        self->Schedule(*runner);
      }
    }
    done.set_value();
  });
  done.get_future().wait();
}

void SimServer::Unplug() {
  if (!impl_->thread.joinable()) return;
  std::promise<void> done;
  boost::asio::post(impl_->io, [self = impl_, &done] {
    if (!self->stopped && !self->unplugged) {
      self->unplugged = true;
      ++self->plugging;
      // Closed rather than left unaccepted: a host's connection attempt is refused at once.
      boost::system::error_code ignored;
      self->acceptor.close(ignored);
      self->CloseConnections();
    }
    done.set_value();
  });
  done.get_future().wait();
}

bool SimServer::PlugIn(std::string& error) {
  if (!impl_->thread.joinable()) {
    error = "the simulated sonar is not running";
    return false;
  }
  std::promise<std::string> done;
  boost::asio::post(impl_->io, [self = impl_, &done] {
    if (self->stopped) {
      done.set_value("the simulated sonar is not running");
      return;
    }
    if (!self->unplugged) {
      done.set_value({});
      return;
    }
    const boost::system::error_code code = Listen(self->acceptor, self->listening);
    if (code) {
      done.set_value("cannot listen on " + EndpointText(self->listening) + " again: " + code.message());
      return;
    }
    self->unplugged = false;
    self->Accept();
    done.set_value({});
  });
  std::string problem = done.get_future().get();
  if (problem.empty()) return true;
  error = std::move(problem);
  return false;
}

std::vector<std::string> SimServer::ReceivedRecords() const {
  std::lock_guard lock(impl_->receivedMutex);
  return {impl_->received.begin(), impl_->received.end()};
}

std::size_t SimServer::ConnectionCount() const {
  std::lock_guard lock(impl_->receivedMutex);
  return impl_->connectionCount;
}
