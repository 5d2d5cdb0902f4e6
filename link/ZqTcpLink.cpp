// The TCP link: connection and back-off, the send queue, and the reader of incoming records. Every
// handler runs on the links' one I/O thread, so the state below needs no lock; only what other threads
// read or hand over (counters, state, queued bytes) is atomic or posted.
#include "link/ZqTcpLink.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <charconv>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "link/ZqLinkContextImpl.h"
#include "link/ZqRecordReader.h"
#include "platform/zq/ZqWireFormat.h"

namespace {
// Records gathered into one write.
constexpr std::size_t kRecordsPerWrite = 64;
constexpr std::size_t kReadBufferSize = std::size_t{64} * 1024;
}  // namespace

struct ZqTcpLink::Impl : std::enable_shared_from_this<ZqTcpLink::Impl> {
  Impl(boost::asio::io_context& ioContext, std::string hostName, std::string portText)
      : io(ioContext),
        host(std::move(hostName)),
        port(std::move(portText)),
        resolver(io),
        socket(io),
        retryTimer(io),
        reader([this](std::span<const std::byte> record) { OnRecord(record); }) {}

  void Connect();
  void ScheduleReconnect();
  void OnConnected();
  void OnLost();
  void Read();
  void Write();
  void Enqueue(std::string record);
  void DropQueue();
  void Close();
  void OnRecord(std::span<const std::byte> record);
  void SetProblem(std::string text);

  boost::asio::io_context& io;
  const std::string host;
  const std::string port;
  boost::asio::ip::tcp::resolver resolver;
  boost::asio::ip::tcp::socket socket;
  boost::asio::steady_timer retryTimer;
  std::chrono::milliseconds retryDelay = kFirstRetryDelay;
  std::uint64_t connection = 0;  // which connection a completion belongs to
  std::array<std::byte, kReadBufferSize> readBuffer{};
  ZqRecordReader reader;
  std::deque<std::string> queue;
  bool writing = false;
  Receiver receiver;
  Tap tap;
  ProblemReport problemReport;
  StateReport stateReport;
  mutable std::mutex problemMutex;
  std::string problem;

  std::atomic<bool> stopped{false};
  std::atomic<State> state{State::kIdle};
  std::atomic<std::size_t> queuedBytes{0};
  std::atomic<std::uint64_t> recordsSent{0};
  std::atomic<std::uint64_t> bytesSent{0};
  std::atomic<std::uint64_t> bytesReceived{0};
  std::atomic<std::uint64_t> droppedWhileDown{0};
  std::atomic<std::uint64_t> connects{0};
  std::atomic<std::uint64_t> disconnects{0};
  // The reader's counts, published after each read for other threads.
  std::atomic<std::uint64_t> recordsReceived{0};
  std::atomic<std::uint64_t> badSize{0};
  std::atomic<std::uint64_t> badChecksum{0};
  std::atomic<std::uint64_t> bytesDiscarded{0};

  void PublishReaderCounts() {
    const auto& counts = reader.GetCounts();
    recordsReceived = counts.records;
    badSize = counts.badSize;
    badChecksum = counts.badChecksum;
    bytesDiscarded = counts.bytesDiscarded;
  }
};

void ZqTcpLink::Impl::Connect() {
  if (stopped) return;
  state = State::kConnecting;
  resolver.async_resolve(
      host, port, [self = shared_from_this()](const boost::system::error_code& error, auto results) {
        if (self->stopped) return;
        if (error) {
          self->SetProblem("cannot resolve \"" + self->host + "\": " + error.message());
          self->ScheduleReconnect();
          return;
        }
        boost::asio::async_connect(self->socket, results,
                                   [self](const boost::system::error_code& connectError, const auto&) {
                                     if (self->stopped) return;
                                     if (connectError) {
                                       boost::system::error_code ignored;
                                       self->socket.close(ignored);
                                       self->SetProblem("cannot connect: " + connectError.message());
                                       self->ScheduleReconnect();
                                       return;
                                     }
                                     self->OnConnected();
                                   });
      });
}

void ZqTcpLink::Impl::ScheduleReconnect() {
  retryTimer.expires_after(retryDelay);
  retryDelay = std::min(retryDelay * 2, kLongestRetryDelay);
  retryTimer.async_wait([self = shared_from_this()](const boost::system::error_code& error) {
    if (error || self->stopped) return;
    self->Connect();
  });
}

void ZqTcpLink::Impl::OnConnected() {
  ++connection;
  retryDelay = kFirstRetryDelay;
  boost::system::error_code ignored;
  socket.set_option(boost::asio::ip::tcp::no_delay(true), ignored);
  reader.Reset();
  SetProblem({});
  ++connects;
  state = State::kConnected;
  if (stateReport) stateReport(State::kConnected);
  Read();
}

void ZqTcpLink::Impl::OnLost() {
  if (state != State::kConnected) return;
  ++connection;  // completions of the lost connection that are still queued are ignored
  ++disconnects;
  state = State::kConnecting;
  boost::system::error_code ignored;
  socket.close(ignored);
  // What waited for the network is lost with the connection.
  DropQueue();
  ScheduleReconnect();
  if (stateReport) stateReport(State::kConnecting);
}

void ZqTcpLink::Impl::Read() {
  socket.async_read_some(boost::asio::buffer(readBuffer),
                         [self = shared_from_this(), current = connection](
                             const boost::system::error_code& error, std::size_t length) {
                           if (self->stopped || current != self->connection) return;
                           if (error) {
                             self->OnLost();
                             return;
                           }
                           self->bytesReceived += length;
                           self->reader.Feed(std::span(self->readBuffer).first(length));
                           self->PublishReaderCounts();
                           self->Read();
                         });
}

void ZqTcpLink::Impl::Write() {
  writing = true;
  std::vector<boost::asio::const_buffer> buffers;
  const std::size_t count = std::min(queue.size(), kRecordsPerWrite);
  buffers.reserve(count);
  for (std::size_t i = 0; i < count; ++i) buffers.emplace_back(boost::asio::buffer(queue[i]));
  boost::asio::async_write(socket, buffers,
                           [self = shared_from_this(), current = connection, count](
                               const boost::system::error_code& error, std::size_t written) {
                             if (self->stopped || current != self->connection) return;
                             if (error) {
                               self->OnLost();
                               return;
                             }
                             self->recordsSent += count;
                             self->bytesSent += written;
                             self->queuedBytes -= written;
                             self->queue.erase(self->queue.begin(),
                                               self->queue.begin() + static_cast<std::ptrdiff_t>(count));
                             if (self->queue.empty()) {
                               self->writing = false;
                             } else {
                               self->Write();
                             }
                           });
}

void ZqTcpLink::Impl::Enqueue(std::string record) {
  if (stopped || state != State::kConnected) {
    ++droppedWhileDown;
    queuedBytes -= record.size();
    return;
  }
  if (tap) tap(Direction::kSent, zqwire::AsBytes(record));
  queue.push_back(std::move(record));
  if (!writing) Write();
}

void ZqTcpLink::Impl::DropQueue() {
  for (const std::string& record : queue) queuedBytes -= record.size();
  droppedWhileDown += queue.size();
  queue.clear();
  writing = false;
}

void ZqTcpLink::Impl::Close() {
  boost::system::error_code ignored;
  resolver.cancel();
  retryTimer.cancel();
  socket.close(ignored);
  DropQueue();
  state = State::kStopped;
}

void ZqTcpLink::Impl::SetProblem(std::string text) {
  {
    std::lock_guard lock(problemMutex);
    if (text == problem) return;
    problem = text;
  }
  if (problemReport && !text.empty()) problemReport(text);
}

void ZqTcpLink::Impl::OnRecord(std::span<const std::byte> record) {
  if (tap) tap(Direction::kReceived, record);
  if (receiver) receiver(record);
}

ZqTcpLink::ZqTcpLink(ZqLinkContext& context, std::string address) : address_(std::move(address)) {
  std::string host;
  std::string port;
  std::string error;
  // An address that does not parse is tried as it stands and keeps failing to resolve; the host
  // checks addresses with ParseAddress before it makes links.
  if (!ParseAddress(address_, host, port, error)) host = address_;
  impl_ = std::make_shared<Impl>(context.GetImpl().io, std::move(host), std::move(port));
}

ZqTcpLink::~ZqTcpLink() {
  Stop();
}

bool ZqTcpLink::ParseAddress(const std::string& address, std::string& host, std::string& port,
                             std::string& error) {
  const auto colon = address.rfind(':');
  if (colon == std::string::npos || colon == 0) {
    error = "sonar address \"" + address + "\" is not host:port";
    return false;
  }
  const std::string portText = address.substr(colon + 1);
  unsigned number = 0;
  const auto [end, problem] = std::from_chars(portText.data(), portText.data() + portText.size(), number);
  if (problem != std::errc() || end != portText.data() + portText.size() || number == 0 || number > 65535) {
    error = "sonar address \"" + address + "\" has no port number from 1 to 65535";
    return false;
  }
  host = address.substr(0, colon);
  // "[::1]:7000" names an IPv6 host.
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  port = portText;
  return true;
}

void ZqTcpLink::SetReceiver(Receiver receiver) {
  impl_->receiver = std::move(receiver);
}

void ZqTcpLink::SetTap(Tap tap) {
  impl_->tap = std::move(tap);
}

void ZqTcpLink::SetProblemReport(ProblemReport report) {
  impl_->problemReport = std::move(report);
}

void ZqTcpLink::SetStateReport(StateReport report) {
  impl_->stateReport = std::move(report);
}

void ZqTcpLink::Start() {
  if (impl_->stopped || impl_->state != State::kIdle) return;
  impl_->state = State::kConnecting;
  boost::asio::post(impl_->io, [self = impl_] { self->Connect(); });
}

void ZqTcpLink::Stop() {
  if (impl_->stopped.exchange(true)) return;
  if (impl_->io.stopped()) {
    // No event loop runs any more: nothing else touches the link.
    impl_->Close();
    return;
  }
  std::promise<void> closed;
  boost::asio::post(impl_->io, [self = impl_, &closed] {
    self->Close();
    closed.set_value();
  });
  closed.get_future().wait();
  // Let the cancelled operations finish on the I/O thread, so that none of them still holds the
  // link's sockets once this returns.
  for (int round = 0; round < 200 && impl_.use_count() > 1 && !impl_->io.stopped(); ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool ZqTcpLink::Send(const CString& record) {
  if (impl_->stopped || impl_->state != State::kConnected) {
    ++impl_->droppedWhileDown;
    return false;
  }
  const auto size = static_cast<std::size_t>(record.GetLength());
  if (impl_->queuedBytes.fetch_add(size) + size > kSendQueueLimit) {
    impl_->queuedBytes -= size;
    ++impl_->droppedWhileDown;
    return false;
  }
  std::string bytes(record.GetString(), size);
  zqwire::WriteChecksum(std::as_writable_bytes(std::span(bytes.data(), bytes.size())));
  boost::asio::post(impl_->io,
                    [self = impl_, bytes = std::move(bytes)]() mutable { self->Enqueue(std::move(bytes)); });
  return true;
}

ZqTcpLink::Counters ZqTcpLink::GetCounters() const {
  Counters counters;
  counters.state = impl_->state;
  counters.recordsSent = impl_->recordsSent;
  counters.bytesSent = impl_->bytesSent;
  counters.recordsReceived = impl_->recordsReceived;
  counters.bytesReceived = impl_->bytesReceived;
  counters.droppedWhileDown = impl_->droppedWhileDown;
  counters.badSize = impl_->badSize;
  counters.badChecksum = impl_->badChecksum;
  counters.bytesDiscarded = impl_->bytesDiscarded;
  {
    std::lock_guard lock(impl_->problemMutex);
    counters.problem = impl_->problem;
  }
  counters.connects = impl_->connects;
  counters.disconnects = impl_->disconnects;
  return counters;
}
