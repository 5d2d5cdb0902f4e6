// A host on the embedded default running in this process, its API on a free loopback port: for the
// benchmarks, the load tool and the fuzz target that drive the API. It loads the plug-in library that
// KAVO_PLUGIN_FILE names and makes its devices through the types the plug-in registers, as the host
// program does; no copy of the plug-in is linked in.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "host/HostApplication.h"
#include "host/HostRuntime.h"
#include "host/HttpApi.h"
#include "host/PluginLoader.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/DataManager.h"

// A device's "ZqRange" attribute; 0 when it has none.
inline double RangeOf(const CDataId& id) {
  CAttributeMap map;
  double value = 0.0;
  unsigned flags = 0;
  DataManager::GetDataManager().GetAttributeMap(id, map);
  map.GetAttribValue("ZqRange", value, flags);
  return value;
}

struct EmbeddedHost {
  // Null, with the problem in error, when the plug-in cannot be loaded or the host or its API cannot
  // start.
  static std::unique_ptr<EmbeddedHost> Start(std::string& error) {
    auto host = std::make_unique<EmbeddedHost>();
    HostConfig config;
    if (!ParseHostConfig(EmbeddedDefaultConfig(), config, error)) return nullptr;
    if (!host->plugin.Load(KAVO_PLUGIN_FILE, error)) return nullptr;
    if (host->plugin.Exports().registerDevices != nullptr) host->plugin.Exports().registerDevices();
    host->runtime = HostRuntime::Start(
        config, HostRuntimeOptions{},
        [](const std::string& type) { return CDevList::GetDevList().CreateDevice(CString(type)); }, host->log,
        error);
    if (!host->runtime) return nullptr;
    host->application = std::make_unique<HostApplication>(*host->runtime, host->plugin.Exports());
    HttpApiOptions options;
    options.address = "127.0.0.1:0";
    host->api = HttpApi::Start(*host->runtime, options, error);
    if (!host->api) return nullptr;
    host->port = std::stoi(host->api->Address().substr(host->api->Address().rfind(':') + 1));
    return host;
  }

  EmbeddedHost() = default;
  EmbeddedHost(const EmbeddedHost&) = delete;
  EmbeddedHost& operator=(const EmbeddedHost&) = delete;
  // Stops as the host program does: the API, what the plug-in runs, the devices, then the plug-in.
  ~EmbeddedHost() {
    api.reset();
    application.reset();
    plugin.Detach();
    runtime.reset();
    if (plugin.Exports().unRegisterDevices != nullptr) plugin.Exports().unRegisterDevices();
  }

  PluginLoader plugin;  // declared first, so that it closes last
  std::ostringstream log;
  std::unique_ptr<HostRuntime> runtime;
  std::unique_ptr<HostApplication> application;  // the plug-in's views and templates
  std::unique_ptr<HttpApi> api;
  int port = 0;
};
