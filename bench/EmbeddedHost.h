// A host on the embedded default running in this process, its API on a free loopback port: for the
// benchmarks, the load tool and the fuzz target that drive the API.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "host/HostRuntime.h"
#include "host/HttpApi.h"

struct EmbeddedHost {
  // Null, with the problem in error, when the host or its API cannot start.
  static std::unique_ptr<EmbeddedHost> Start(std::string& error) {
    auto host = std::make_unique<EmbeddedHost>();
    HostConfig config;
    if (!ParseHostConfig(EmbeddedDefaultConfig(), config, error)) return nullptr;
    host->runtime = HostRuntime::Start(
        config, HostRuntimeOptions{},
        [](const std::string&) { return std::make_unique<KavoSonarConfigurationControlDevice>(); }, host->log,
        error);
    if (!host->runtime) return nullptr;
    HttpApiOptions options;
    options.address = "127.0.0.1:0";
    host->api = HttpApi::Start(*host->runtime, options, error);
    if (!host->api) return nullptr;
    host->port = std::stoi(host->api->Address().substr(host->api->Address().rfind(':') + 1));
    return host;
  }

  std::ostringstream log;
  std::unique_ptr<HostRuntime> runtime;
  std::unique_ptr<HttpApi> api;  // declared last, so that it stops before the runtime goes
  int port = 0;
};
