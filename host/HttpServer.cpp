// Connections, deadlines and event streams of the HTTP server. Everything of a connection happens on
// the one event-loop thread; only the route handlers run on worker threads, and their answers come
// back to the loop.
#include "host/HttpServer.h"

#include <array>
#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>
#include <deque>
#include <future>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>
#include <vector>

#include "host/EventHub.h"
#include "platform/tavrin/SonarText.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kHandlerThreads = 2;
// How long a refused client may go on sending before its connection closes: long enough that it
// reads the refusal instead of a reset.
constexpr auto kLingerAfterRefusal = std::chrono::seconds(1);
// After a failed accept (out of descriptors, say), the next waits this long instead of spinning.
constexpr auto kAcceptRetry = std::chrono::milliseconds(50);
constexpr std::size_t kEventsPerWrite = 64;

const std::string kStreamHeader =
    "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\n"
    "Connection: close\r\n\r\n: connected\n\n";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ErrorBody(const std::string& message) {
  return nlohmann::json{{"error", message}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool IsHttpParseError(const beast::error_code& code) {
  return code.category() == beast::http::make_error_code(http::error::bad_target).category();
}

}  // namespace

bool DecodeRequestPath(std::string_view target, std::string& path, std::string& problem) {
  target = target.substr(0, target.find('?'));
  path.clear();
  path.reserve(target.size());
  for (std::size_t i = 0; i < target.size(); ++i) {
    if (target[i] != '%') {
      path.push_back(target[i]);
      continue;
    }
    const int high = i + 2 < target.size() ? HexDigit(target[i + 1]) : -1;
    const int low = i + 2 < target.size() ? HexDigit(target[i + 2]) : -1;
    if (high < 0 || low < 0) {
      problem = "path: \"%\" must be followed by two hexadecimal digits";
      return false;
    }
    path.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  if (!IsValidUtf8(path)) {
    problem = "path is not valid UTF-8 once percent-decoded";
    return false;
  }
  return true;
}

class Session;

struct HttpServer::Impl {
  Impl(const HttpLimits& serverLimits, Handler routeHandler, EventHub& hub)
      : limits(serverLimits), handler(std::move(routeHandler)), events(hub) {}
  void Accept();
  void CloseAll();

  // Declared first, so destroyed last: the connections that its handlers still hold go with it.
  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  asio::steady_timer acceptRetry{io};
  asio::thread_pool workers{kHandlerThreads};
  const HttpLimits limits;
  const Handler handler;
  EventHub& events;
  std::atomic<std::size_t> open{0};
  std::vector<std::weak_ptr<Session>> sessions;  // the loop's own
  bool stopping = false;                         // the loop's own
  std::thread loop;
  bool stopped = false;
  std::uint16_t port = 0;
};

// One client connection: requests in turn, each answered before the next is read; or, once a request
// asked for it, a stream of events until either side closes.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, HttpServer::Impl& server)
      : stream_(std::move(socket)),
        server_(server),
        requestDeadline_(stream_.get_executor()),
        heartbeat_(stream_.get_executor()),
        writeDeadline_(stream_.get_executor()) {
    ++server_.open;
  }

  void Start() { ReadRequest(); }

  // Answers with an error and closes, whatever the client sends meanwhile.
  void Refuse(int status, const std::string& message) {
    auto response =
        std::make_shared<http::response<http::string_body>>(static_cast<http::status>(status), 11);
    response->set(http::field::content_type, "application/json");
    response->body() = ErrorBody(message);
    response->keep_alive(false);
    response->prepare_payload();
    Write(response, false);
  }

  // Idempotent; the connection's handlers that are still queued find it closed.
  void Close() {
    if (closed_) return;
    closed_ = true;
    --server_.open;
    if (listener_) server_.events.Forget(*listener_);
    heartbeat_.cancel();
    writeDeadline_.cancel();
    requestDeadline_.cancel();
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
  }

 private:
  using Response = http::response<http::string_body>;

  // The deadline is a timer of its own rather than the stream's: the stream's closes the socket when it
  // passes, and a client that was too slow is still owed an answer that says so.
  void ReadRequest() {
    parser_.emplace();
    parser_->body_limit(server_.limits.largestBody);
    parser_->header_limit(static_cast<std::uint32_t>(server_.limits.largestHeader));
    stream_.expires_never();
    timedOut_ = false;
    reading_ = true;
    requestDeadline_.expires_after(server_.limits.requestDeadline);
    requestDeadline_.async_wait([weak = weak_from_this()](beast::error_code code) {
      auto self = weak.lock();
      // A deadline whose request has arrived meanwhile has been cancelled, or moved on to the next.
      if (!self || code || self->closed_ || !self->reading_ ||
          self->requestDeadline_.expiry() > asio::steady_timer::clock_type::now()) {
        return;
      }
      self->timedOut_ = true;
      beast::error_code ignored;
      self->stream_.socket().cancel(ignored);
    });
    http::async_read(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code code, std::size_t) { self->OnRequest(code); });
  }

  void OnRequest(const beast::error_code& code) {
    reading_ = false;
    requestDeadline_.cancel();
    if (closed_) return;
    if (code == http::error::body_limit) {
      return Refuse(413, "request body over " + std::to_string(server_.limits.largestBody) + " bytes");
    }
    if (code == http::error::header_limit) {
      return Refuse(431, "request headers over " + std::to_string(server_.limits.largestHeader) + " bytes");
    }
    if (timedOut_) {
      // A connection that sent nothing was only idle; one that began a request was too slow with it.
      if (!parser_->got_some() && buffer_.size() == 0) return Close();
      return Refuse(408, "request not received whole within " +
                             std::to_string(server_.limits.requestDeadline.count()) + " ms");
    }
    if (code == http::error::end_of_stream || (code && !IsHttpParseError(code))) return Close();
    if (code) return Refuse(400, "malformed HTTP request: " + code.message());

    const auto& message = parser_->get();
    const bool keepAlive = message.keep_alive();
    version_ = message.version();
    HttpRequest request;
    std::string problem;
    if (!DecodeRequestPath(std::string_view(message.target().data(), message.target().size()), request.path,
                           problem)) {
      return Refuse(400, problem);
    }
    const std::string_view target(message.target().data(), message.target().size());
    const std::size_t queryStart = target.find('?');
    request.target = std::string(target.substr(0, queryStart));
    if (queryStart != std::string_view::npos) request.query = std::string(target.substr(queryStart + 1));
    request.method = std::string(message.method_string());
    request.body = std::move(parser_->get().body());
    request.authorization = std::string(message[http::field::authorization]);
    request.operatorName = std::string(message["X-Operator"]);
    beast::error_code ignored;
    const tcp::endpoint remote = stream_.socket().remote_endpoint(ignored);
    if (!ignored) request.client = remote.address().to_string();
    asio::post(server_.workers, [self = shared_from_this(), request = std::move(request), keepAlive] {
      HttpReply reply = self->server_.handler(request);
      asio::post(self->stream_.get_executor(), [self, reply = std::move(reply), keepAlive]() mutable {
        self->Answer(std::move(reply), keepAlive);
      });
    });
  }

  void Answer(HttpReply reply, bool keepAlive) {
    if (closed_) return;
    if (reply.eventStream) return StartStream();
    auto response = std::make_shared<Response>(static_cast<http::status>(reply.status), version_);
    response->set(http::field::content_type, reply.contentType);
    response->body() = std::move(reply.body);
    response->keep_alive(keepAlive);
    response->prepare_payload();
    Write(response, keepAlive);
  }

  void Write(const std::shared_ptr<Response>& response, bool keepAlive) {
    stream_.expires_after(server_.limits.writeDeadline);
    http::async_write(stream_, *response,
                      [self = shared_from_this(), response, keepAlive](beast::error_code code, std::size_t) {
                        if (self->closed_) return;
                        if (code) return self->Close();
                        if (keepAlive) return self->ReadRequest();
                        self->Linger();
                      });
  }

  // After a last answer: stop sending, read and drop what the client still sends, then close.
  void Linger() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.expires_after(kLingerAfterRefusal);
    Discard([self = shared_from_this()] { self->Close(); });
  }

  // Reads and drops whatever arrives until the client closes or a read fails, then calls done.
  template <typename Done>
  void Discard(Done done) {
    stream_.async_read_some(asio::buffer(scratch_),
                            [self = shared_from_this(), done](beast::error_code code, std::size_t) mutable {
                              if (self->closed_) return;
                              if (code) return done();
                              self->Discard(std::move(done));
                            });
  }

  void StartStream() {
    if (server_.stopping) return Close();
    stream_.expires_never();
    Enqueue(std::make_shared<const std::string>(kStreamHeader));
    listener_ = server_.events.Listen(
        [weak = weak_from_this(), executor = stream_.get_executor()](const EventHub::Event& event) {
          asio::post(executor, [weak, event] {
            if (auto self = weak.lock()) self->Enqueue(event);
          });
        });
    Heartbeat();
    // A stream client sends nothing more; a read that ends means it has gone.
    Discard([self = shared_from_this()] { self->Close(); });
  }

  // Queues an event, or drops the client when it has not taken what was queued before.
  void Enqueue(const EventHub::Event& event) {
    if (closed_) return;
    if (queuedBytes_ + event->size() > server_.limits.streamQueueBytes) return Close();
    queuedBytes_ += event->size();
    queue_.push_back(event);
    WriteQueued();
  }

  void WriteQueued() {
    if (writing_ || queue_.empty() || closed_) return;
    writing_ = true;
    batch_.clear();
    for (const auto& event : queue_) {
      batch_.push_back(asio::buffer(*event));
      if (batch_.size() == kEventsPerWrite) break;
    }
    writeDeadline_.expires_after(server_.limits.writeDeadline);
    writeDeadline_.async_wait([weak = weak_from_this()](beast::error_code code) {
      auto self = weak.lock();
      // A deadline of a write that has since finished has been moved on, or cancelled.
      if (!self || code || !self->writing_ ||
          self->writeDeadline_.expiry() > asio::steady_timer::clock_type::now())
        return;
      self->Close();
    });
    asio::async_write(
        stream_.socket(), batch_,
        [self = shared_from_this(), count = batch_.size()](beast::error_code code, std::size_t) {
          self->writing_ = false;
          if (self->closed_) return;
          self->writeDeadline_.cancel();
          if (code) return self->Close();
          for (std::size_t i = 0; i < count; ++i) {
            self->queuedBytes_ -= self->queue_.front()->size();
            self->queue_.pop_front();
          }
          self->WriteQueued();
        });
  }

  // A comment line now and then, so that proxies and clients see a live stream while nothing changes.
  void Heartbeat() {
    heartbeat_.expires_after(server_.limits.streamHeartbeat);
    heartbeat_.async_wait([weak = weak_from_this()](beast::error_code code) {
      auto self = weak.lock();
      if (!self || code || self->closed_) return;
      static const auto kComment = std::make_shared<const std::string>(": keep-alive\n\n");
      self->Enqueue(kComment);
      self->Heartbeat();
    });
  }

  beast::tcp_stream stream_;
  HttpServer::Impl& server_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  unsigned version_ = 11;
  std::array<char, 4096> scratch_{};
  bool closed_ = false;
  asio::steady_timer requestDeadline_;
  bool reading_ = false;
  bool timedOut_ = false;
  // The event stream's.
  std::optional<EventHub::Listener> listener_;
  std::deque<EventHub::Event> queue_;
  std::size_t queuedBytes_ = 0;
  std::vector<asio::const_buffer> batch_;
  bool writing_ = false;
  asio::steady_timer heartbeat_;
  asio::steady_timer writeDeadline_;
};

void HttpServer::Impl::Accept() {
  acceptor.async_accept([this](beast::error_code code, tcp::socket socket) {
    if (stopping || code == asio::error::operation_aborted) return;
    if (code) {
      acceptRetry.expires_after(kAcceptRetry);
      acceptRetry.async_wait([this](beast::error_code waited) {
        if (!waited) Accept();
      });
      return;
    }
    beast::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    auto session = std::make_shared<Session>(std::move(socket), *this);
    std::erase_if(sessions, [](const std::weak_ptr<Session>& weak) { return weak.expired(); });
    sessions.push_back(session);
    if (open > limits.maxConnections) {
      session->Refuse(
          503, "too many connections (" + std::to_string(limits.maxConnections) + " open): try again later");
    } else {
      session->Start();
    }
    Accept();
  });
}

void HttpServer::Impl::CloseAll() {
  stopping = true;
  beast::error_code ignored;
  acceptor.close(ignored);
  acceptRetry.cancel();
  for (const auto& weak : sessions) {
    if (auto session = weak.lock()) session->Close();
  }
  sessions.clear();
}

HttpServer::HttpServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

HttpServer::~HttpServer() {
  Stop();
}

std::unique_ptr<HttpServer> HttpServer::Start(const std::string& host, std::uint16_t port,
                                              const HttpLimits& limits, Handler handler, EventHub& events,
                                              std::string& error) {
  auto impl = std::make_unique<Impl>(limits, std::move(handler), events);
  beast::error_code code;
  tcp::resolver resolver(impl->io);
  const auto endpoints = resolver.resolve(host, std::to_string(port), tcp::resolver::numeric_service, code);
  if (code || endpoints.empty()) {
    error = "cannot resolve \"" + host + "\": " + code.message();
    return nullptr;
  }
  const tcp::endpoint endpoint = endpoints.begin()->endpoint();
  tcp::acceptor& acceptor = impl->acceptor;
  // Address reuse only lets a restarted host listen past connections of its predecessor still closing;
  // on Linux it never lets two programs listen on one address.
  acceptor.open(endpoint.protocol(), code);
  if (!code) acceptor.set_option(tcp::acceptor::reuse_address(true), code);
  if (!code) acceptor.bind(endpoint, code);
  if (!code) acceptor.listen(asio::socket_base::max_listen_connections, code);
  if (code) {
    error = "cannot listen there: " + code.message();
    return nullptr;
  }
  impl->port = acceptor.local_endpoint(code).port();
  impl->Accept();
  Impl* raw = impl.get();
  impl->loop = std::thread([raw] { raw->io.run(); });
  return std::unique_ptr<HttpServer>(new HttpServer(std::move(impl)));
}

std::uint16_t HttpServer::Port() const {
  return impl_->port;
}

std::size_t HttpServer::OpenConnections() const {
  return impl_->open;
}

void HttpServer::Stop() {
  if (impl_->stopped) return;
  impl_->stopped = true;
  std::promise<void> closed;
  asio::post(impl_->io, [this, &closed] {
    impl_->CloseAll();
    closed.set_value();
  });
  closed.get_future().wait();
  // Handlers under way finish; their answers find their connections closed.
  impl_->workers.join();
  impl_->io.stop();
  impl_->loop.join();
}
