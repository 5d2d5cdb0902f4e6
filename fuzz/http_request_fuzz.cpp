// Feeds arbitrary bytes to the API's request path as a client's connection would: the HTTP parser with
// the server's limits, the path decoding, then the routes of a host running the embedded default.
// Whatever comes back must be well-formed; a JSON answer must read back as JSON.
#include <boost/beast/http.hpp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "bench/EmbeddedHost.h"

namespace http = boost::beast::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto host = [] {
    std::string error;
    auto started = EmbeddedHost::Start(error);
    if (!started) std::abort();
    return started;
  }();
  const HttpLimits limits;
  http::request_parser<http::string_body> parser;
  parser.eager(true);
  parser.body_limit(limits.largestBody);
  parser.header_limit(static_cast<std::uint32_t>(limits.largestHeader));
  boost::beast::error_code code;
  parser.put(boost::asio::buffer(data, size), code);
  if (code || !parser.is_done()) return 0;

  HttpRequest request;
  std::string problem;
  const auto& message = parser.get();
  if (!DecodeRequestPath(std::string_view(message.target().data(), message.target().size()), request.path,
                         problem)) {
    return 0;
  }
  request.method = std::string(message.method_string());
  request.authorization = std::string(message[http::field::authorization]);
  request.body = message.body();
  const HttpReply reply = host->api->Handle(request);
  if (reply.status < 200 || reply.status > 599) std::abort();
  if (reply.contentType == "application/json" &&
      nlohmann::json::parse(reply.body, nullptr, false).is_discarded()) {
    std::abort();
  }
  return 0;
}
