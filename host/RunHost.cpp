// The host's main job.
#include "host/RunHost.h"

#include <pthread.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <ostream>

#include "host/HostApplication.h"
#include "host/HostConfig.h"
#include "host/HostRuntime.h"
#include "host/HttpApi.h"
#include "host/PingRateReport.h"
#include "host/PluginLoader.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/FileObject.h"

namespace {

void PrintWelcome(std::ostream& out, const HttpApi& api, const std::string& token,
                  const std::vector<HostRuntime::DeviceInfo>& devices) {
  const std::string base = "http://" + api.Address();
  // The token itself is never printed: the operator who set it knows it, and logs travel.
  const std::string auth = token.empty() ? "" : " -H \"Authorization: Bearer $TOKEN\"";
  const std::string key = devices.empty() ? "1.78.1.1" : std::string(devices.front().id.GetKey().Str());
  out << "tavrin-host: API at " << base << "/api (Ctrl-C stops the host)\n"
      << "  read a sonar's attributes:  curl" << auth << " " << base << "/api/devices/" << key
      << "/attributes\n"
      << "  change its range to 120 m:  curl" << auth << " -X POST " << base << "/api/devices/" << key
      << "/request -d '[{\"ZqRange\": {\"double\": 120.0}}]'\n"
      << "  follow the event stream:    curl -N" << auth << " " << base << "/api/stream" << std::endl;
}

}  // namespace

std::filesystem::path DefaultStateFolder() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
    return std::filesystem::path(data) / "tavrin-host" / "state";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share" / "tavrin-host" / "state";
}

int RunHost(const RunHostOptions& options, std::ostream& out, std::ostream& err) {
  // Every thread started from here on leaves SIGINT and SIGTERM to the sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  std::string text(EmbeddedDefaultConfig());
  std::string source = "the embedded default";
  if (!options.configFile.empty()) {
    FileObject file{std::string()};
    std::string problem;
    if (!FileObject::Read(options.configFile, file, problem)) {
      err << "tavrin-host: --config " << problem << '\n';
      return 2;
    }
    text = file.Text();
    source = options.configFile;
  }
  HostConfig config;
  std::string problem;
  if (!ParseHostConfig(text, config, problem)) {
    err << "tavrin-host: " << source << ": " << problem << '\n';
    return 2;
  }

  PluginLoader plugin;
  const std::filesystem::path pluginPath =
      options.plugin.empty() ? PluginLoader::DefaultPath() : options.plugin;
  if (!plugin.Load(pluginPath, problem)) {
    err << "tavrin-host: " << problem << '\n';
    return 2;
  }
  const PluginExports& exports = plugin.Exports();
  if (exports.registerDevices != nullptr) exports.registerDevices();

  HostRuntimeOptions runtimeOptions;
  runtimeOptions.stateFolder = options.stateFolder.empty() ? DefaultStateFolder() : options.stateFolder;
  runtimeOptions.capturePath = options.capturePath;
  runtimeOptions.pingLogPath = options.pingLogPath;
  runtimeOptions.linkProblems = &err;
  runtimeOptions.viewProblems = &err;
  auto runtime = HostRuntime::Start(
      config, runtimeOptions,
      [](const std::string& type) { return CDevList::GetDevList().CreateDevice(CString(type)); }, out,
      problem);
  if (!runtime) {
    err << "tavrin-host: " << source << ": " << problem << '\n';
    if (exports.unRegisterDevices != nullptr) exports.unRegisterDevices();
    return 2;
  }
  const auto devices = runtime->Devices();
  if (exports.deviceCtrlInit != nullptr) {
    // The plug-in rebuilds the data id from its arguments in the order (d, b, c, a).
    for (const auto& device : devices) {
      exports.deviceCtrlInit(device.id.GetVesselId(), device.id.GetGroupId(), device.id.GetC(),
                             device.id.GetA());
    }
  }

  // The host runs from here: the plug-in registers its views and templates and starts what follows
  // its devices (the ping sequencer); the views open at the last stop open again.
  auto application = std::make_unique<HostApplication>(*runtime, exports);
  // What the plug-in made goes before the plug-in does: its views and templates, then, once it
  // stopped what it runs on the devices (its trigger threads), the devices.
  const auto stopPlugin = [&] {
    application.reset();
    plugin.Detach();
    runtime.reset();  // stores every device's attributes
    if (exports.unRegisterDevices != nullptr) exports.unRegisterDevices();
  };

  HttpApiOptions apiOptions;
  apiOptions.address = !options.http.empty() ? options.http : config.http.address;
  apiOptions.token = !options.token.empty() ? options.token : config.http.token;
  apiOptions.frontEnd = TAVRIN_FRONT_END_DIR;
  auto api = HttpApi::Start(*runtime, apiOptions, problem);
  if (!api) {
    err << "tavrin-host: " << problem << '\n';
    stopPlugin();
    return 2;
  }
  out << "tavrin-host: state in " << runtimeOptions.stateFolder.string() << '\n';
  PrintWelcome(out, *api, apiOptions.token, devices);
  std::vector<CDataId> deviceIds;
  std::ranges::transform(devices, std::back_inserter(deviceIds), &HostRuntime::DeviceInfo::id);
  PingRateReport pingRates(deviceIds, out, std::chrono::duration<double>(options.pingRateSeconds));

  int signal = 0;
  sigwait(&stopSignals, &signal);
  pingRates.Stop();
  out << "tavrin-host: stopping" << std::endl;
  api.reset();
  stopPlugin();
  plugin.Unload();
  out << "tavrin-host: stopped" << std::endl;
  return 0;
}
