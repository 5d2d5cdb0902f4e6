// Feeds arbitrary bytes to the API's request path as a client's connection would: the HTTP parser with
// the server's limits, the path decoding, then the routes of a host running the embedded default.
// Whatever comes back must be well-formed; a JSON answer must read back as JSON.
#include <boost/beast/http.hpp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "HostRuntime.h"
#include "HttpApi.h"
#include "control/KavoSonarConfigurationControlDevice.h"

namespace {

namespace http = boost::beast::http;

struct Host {
  Host() {
    HostConfig config;
    std::string error;
    if (!ParseHostConfig(EmbeddedDefaultConfig(), config, error)) std::abort();
    runtime = HostRuntime::Start(
        config, HostRuntimeOptions{},
        [](const std::string&) { return std::make_unique<KavoSonarConfigurationControlDevice>(); }, log,
        error);
    HttpApiOptions options;
    options.address = "127.0.0.1:0";
    if (runtime) api = HttpApi::Start(*runtime, options, error);
    if (!api) std::abort();
  }
  std::ostringstream log;
  std::unique_ptr<HostRuntime> runtime;
  std::unique_ptr<HttpApi> api;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Host host;
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
  const HttpReply reply = host.api->Handle(request);
  if (reply.status < 200 || reply.status > 599) std::abort();
  if (reply.contentType == "application/json" &&
      nlohmann::json::parse(reply.body, nullptr, false).is_discarded()) {
    std::abort();
  }
  return 0;
}
