// A small blocking HTTP/1.1 client for the host's API, used by the tests and the load tools: one
// kept-alive connection, a time limit on every call, and event streams read until the caller has seen
// enough. Boost.Beast stays in the source file, so that its users compile without it.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class HttpClient {
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

  HttpClient(std::string host, int port);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

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
              std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  class Connection;

  std::string AuthorizationLine() const;
  Result Call(const std::string& method, const std::string& path, const std::string& body,
              const Headers& headers);

  std::unique_ptr<Connection> connection_;  // the kept-alive one, when there is one
  std::string host_;
  std::string port_;
  Headers headers_;
  std::chrono::milliseconds timeout_{5000};
};
