// The HTTP client's calls on Boost.Beast.
#include "tools/HttpClient.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <array>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cstdint>

namespace beast = boost::beast;
namespace http = beast::http;

// One connection to the server with the bytes read past the last answer.
class HttpClient::Connection {
 public:
  // Empty when the server could not be reached within the time limit.
  static std::unique_ptr<Connection> Open(const std::string& host, const std::string& port,
                                          std::chrono::milliseconds timeout) {
    auto connection = std::make_unique<Connection>();
    beast::error_code code;
    connection->stream_.expires_after(timeout);
    boost::asio::ip::tcp::resolver resolver(connection->io_);
    connection->stream_.connect(resolver.resolve(host, port, code), code);
    if (code) return nullptr;
    return connection;
  }

  // The answer to one request, or nothing when it could not be written or read in time. keepAlive says
  // whether the server keeps the connection open after it.
  Result Exchange(http::request<http::string_body>& request, std::chrono::milliseconds timeout,
                  bool& keepAlive) {
    beast::error_code code;
    stream_.expires_after(timeout);
    http::write(stream_, request, code);
    // A refusal may come before the whole body went out; the answer is read all the same.
    http::response_parser<http::string_body> parser;
    parser.body_limit(std::uint64_t{64} * 1024 * 1024);
    http::read(stream_, buffer_, parser, code);
    if (code) return std::nullopt;
    Response response;
    response.status = static_cast<int>(parser.get().result_int());
    response.body = parser.get().body();
    for (const auto& field : parser.get())
      response.headers[std::string(field.name_string())] = std::string(field.value());
    keepAlive = parser.get().keep_alive();
    return response;
  }

  // Reads what arrives, handing each piece to receive, until it returns false, the stream ends, or
  // limit has passed (false). A blocking read knows no expiry of the stream, so each read is bounded
  // by the socket's own receive time-out, set to what is left of the limit.
  bool ReadStream(const std::string& request, const std::function<bool(std::string_view)>& receive,
                  std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    beast::error_code code;
    beast::net::write(stream_, beast::net::buffer(request), code);
    std::array<char, 4096> piece{};
    while (!code) {
      const auto left =
          std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      const timeval wait{static_cast<time_t>(left.count() / 1000000),
                         static_cast<suseconds_t>(left.count() % 1000000)};
      ::setsockopt(stream_.socket().native_handle(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
      const std::size_t length = stream_.read_some(beast::net::buffer(piece), code);
      if (length > 0 && !receive(std::string_view(piece.data(), length))) return true;
    }
    return code == http::error::end_of_stream || code == boost::asio::error::eof;
  }

 private:
  boost::asio::io_context io_;
  beast::tcp_stream stream_{io_};
  beast::flat_buffer buffer_;
};

HttpClient::HttpClient(std::string host, int port) : host_(std::move(host)), port_(std::to_string(port)) {}

HttpClient::~HttpClient() = default;

bool HttpClient::Stream(const std::string& path, const std::function<bool(std::string_view)>& receive,
                        std::chrono::milliseconds limit) {
  const auto connection = Connection::Open(host_, port_, limit);
  if (!connection) return false;
  return connection->ReadStream(
      "GET " + path + " HTTP/1.1\r\nHost: " + host_ + "\r\n" + AuthorizationLine() + "\r\n", receive, limit);
}

std::string HttpClient::AuthorizationLine() const {
  const auto found = headers_.find("Authorization");
  return found == headers_.end() ? std::string() : "Authorization: " + found->second + "\r\n";
}

HttpClient::Result HttpClient::Call(const std::string& method, const std::string& path,
                                    const std::string& body, const Headers& headers) {
  http::request<http::string_body> request(http::string_to_verb(method), path, 11);
  request.set(http::field::host, host_);
  request.set(http::field::content_type, "application/json");
  for (const auto& [name, value] : headers_) request.set(name, value);
  for (const auto& [name, value] : headers) request.set(name, value);
  request.body() = body;
  request.prepare_payload();
  // A kept-alive connection the server has since closed fails once; a fresh one is tried then.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const bool reused = connection_ != nullptr;
    if (!connection_) connection_ = Connection::Open(host_, port_, timeout_);
    if (!connection_) return std::nullopt;
    bool keepAlive = false;
    if (auto response = connection_->Exchange(request, timeout_, keepAlive)) {
      if (!keepAlive) connection_.reset();
      return response;
    }
    connection_.reset();
    if (!reused) break;
  }
  return std::nullopt;
}
