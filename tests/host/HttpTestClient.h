// A small blocking HTTP/1.1 client for the tests of the API: one kept-alive connection, a time limit on
// every call, and event streams read until the caller has seen enough.
#pragma once

#include <array>
#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

class HttpTestClient {
 public:
  struct Response {
    int status = 0;
    std::string body;
    std::map<std::string, std::string> headers;
    std::string get_header_value(const std::string& name) const {
      const auto found = headers.find(name);
      return found == headers.end() ? std::string() : found->second;
    }
  };
  using Result = std::optional<Response>;
  using Headers = std::map<std::string, std::string>;

  HttpTestClient(std::string host, int port) : host_(std::move(host)), port_(std::to_string(port)) {}

  void set_bearer_token_auth(const std::string& token) { headers_["Authorization"] = "Bearer " + token; }
  void set_timeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

  Result Get(const std::string& path, const Headers& headers = {}) { return Call("GET", path, "", headers); }
  Result Post(const std::string& path, const std::string& body, const std::string& /*contentType*/ = {},
              const Headers& headers = {}) {
    return Call("POST", path, body, headers);
  }
  Result Delete(const std::string& path) { return Call("DELETE", path, "", {}); }

  // Reads an event stream on a connection of its own, handing each piece received to receive until it
  // returns false, the stream ends, or the time limit passes. False when the stream could not be read.
  bool Stream(const std::string& path, const std::function<bool(std::string_view)>& receive,
              std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    namespace beast = boost::beast;
    boost::asio::io_context io;
    beast::tcp_stream stream(io);
    beast::error_code code;
    stream.expires_after(limit);
    boost::asio::ip::tcp::resolver resolver(io);
    stream.connect(resolver.resolve(host_, port_, code), code);
    if (code) return false;
    const std::string request =
        "GET " + path + " HTTP/1.1\r\nHost: " + host_ + "\r\n" + AuthorizationLine() + "\r\n";
    beast::net::write(stream, beast::net::buffer(request), code);
    std::array<char, 4096> piece{};
    while (!code) {
      const std::size_t length = stream.read_some(beast::net::buffer(piece), code);
      if (length > 0 && !receive(std::string_view(piece.data(), length))) return true;
    }
    return code == beast::http::error::end_of_stream || code == boost::asio::error::eof;
  }

 private:
  std::string AuthorizationLine() const {
    const auto found = headers_.find("Authorization");
    return found == headers_.end() ? std::string() : "Authorization: " + found->second + "\r\n";
  }

  Result Call(const std::string& method, const std::string& path, const std::string& body,
              const Headers& headers) {
    // A kept-alive connection the server has since closed fails once; a fresh one is tried then.
    for (int attempt = 0; attempt < 2; ++attempt) {
      const bool reused = stream_.has_value();
      if (auto response = Once(method, path, body, headers)) return response;
      stream_.reset();
      buffer_.clear();
      if (!reused) break;
    }
    return std::nullopt;
  }

  Result Once(const std::string& method, const std::string& path, const std::string& body,
              const Headers& headers) {
    namespace beast = boost::beast;
    namespace http = beast::http;
    beast::error_code code;
    if (!stream_) {
      stream_.emplace(io_);
      stream_->expires_after(timeout_);
      boost::asio::ip::tcp::resolver resolver(io_);
      stream_->connect(resolver.resolve(host_, port_, code), code);
      if (code) return std::nullopt;
    }
    http::request<http::string_body> request(http::string_to_verb(method), path, 11);
    request.set(http::field::host, host_);
    request.set(http::field::content_type, "application/json");
    for (const auto& [name, value] : headers_) request.set(name, value);
    for (const auto& [name, value] : headers) request.set(name, value);
    request.body() = body;
    request.prepare_payload();
    stream_->expires_after(timeout_);
    http::write(*stream_, request, code);
    // A refusal may come before the whole body went out; the answer is read all the same.
    http::response_parser<http::string_body> parser;
    parser.body_limit(64 * 1024 * 1024);
    http::read(*stream_, buffer_, parser, code);
    if (code) return std::nullopt;
    Response response;
    response.status = static_cast<int>(parser.get().result_int());
    response.body = parser.get().body();
    for (const auto& field : parser.get())
      response.headers[std::string(field.name_string())] = std::string(field.value());
    if (!parser.get().keep_alive()) {
      stream_.reset();
      buffer_.clear();
    }
    return response;
  }

  boost::asio::io_context io_;
  std::optional<boost::beast::tcp_stream> stream_;
  boost::beast::flat_buffer buffer_;
  std::string host_;
  std::string port_;
  Headers headers_;
  std::chrono::milliseconds timeout_{5000};
};
