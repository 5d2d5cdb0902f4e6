// An HTTP/1.1 server on one Asio event loop. A connection costs a socket and a few buffers, not a
// thread, so clients that follow the event stream, sit idle or send slowly cannot starve the others:
// every request must arrive whole within a deadline, a stream client that does not read is dropped
// once its queue of events is full, and connections beyond a cap are refused with a 503.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class EventHub;

struct HttpRequest {
  std::string method;  // "GET", "POST", ...
  std::string path;    // percent-decoded, without the query; valid UTF-8
  std::string target;  // the path as sent, without the query: its segments are decoded one by one
  std::string query;   // what follows "?", as sent; empty when none
  std::string body;
  std::string authorization;  // the Authorization header as sent
  std::string operatorName;   // the X-Operator header as sent: the person at the client
  std::string client;         // the client's address, without its port
};

struct HttpReply {
  int status = 200;
  std::string contentType = "application/json";
  std::string body;
  // The connection becomes a stream of server-sent events from the server's event hub.
  bool eventStream = false;
};

struct HttpLimits {
  std::size_t maxConnections = 512;
  std::chrono::milliseconds requestDeadline{10'000};  // one request's headers and body, from the first wait
  std::chrono::milliseconds writeDeadline{10'000};    // one answer or event leaving for the client
  std::size_t largestBody = 1024 * 1024;
  std::size_t largestHeader = 16 * 1024;
  std::size_t streamQueueBytes = 1024 * 1024;  // events waiting for a stream client that reads slowly
  std::chrono::milliseconds streamHeartbeat{15'000};
};

class HttpServer {
 public:
  using Handler = std::function<HttpReply(const HttpRequest&)>;

  // Listens on host:port (port 0: any free port), exclusively: an address another program listens on
  // is refused. Handlers run on worker threads, never on the event loop. Null, with a message, when the
  // address cannot be listened on.
  static std::unique_ptr<HttpServer> Start(const std::string& host, std::uint16_t port,
                                           const HttpLimits& limits, Handler handler, EventHub& events,
                                           std::string& error);
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;
  ~HttpServer();

  std::uint16_t Port() const;
  // Connections open now, streams included.
  std::size_t OpenConnections() const;
  // Closes every connection, waits for running handlers and joins the event loop's thread.
  void Stop();

  struct Impl;

 private:
  explicit HttpServer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Percent-decodes a request target's path (the query dropped). False, with the problem, when an escape
// is malformed or the decoded bytes are not UTF-8.
bool DecodeRequestPath(std::string_view target, std::string& path, std::string& problem);
