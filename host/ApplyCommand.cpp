// The dry run of one control device, made by the plug-in the host loads.
#include "host/ApplyCommand.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "host/PluginLoader.h"
#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/CaptureIoHandler.h"
#include "platform/tavrin/FileObject.h"
#include "platform/tavrin/HostLogging.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/zq/KavoDevice.h"
#include "platform/zq/KavoSocketIoHandler.h"
#include "tools/ZqRecordText.h"

namespace {

constexpr auto kNotificationBound = std::chrono::seconds(5);
// The device type the plug-in registers for its control device, as the host's configuration names it.
constexpr const char* kControlDeviceType = "KavoSonarConfigurationControlDevice";

// The plug-in as the running host has it: loaded, with its device types registered. Going, it
// unregisters them and closes the library, so whatever was made from it must be gone first.
class RegisteredPlugin {
 public:
  RegisteredPlugin() = default;
  RegisteredPlugin(const RegisteredPlugin&) = delete;
  RegisteredPlugin& operator=(const RegisteredPlugin&) = delete;
  ~RegisteredPlugin() {
    const PluginExports& exports = loader_.Exports();
    if (exports.unRegisterDevices != nullptr) exports.unRegisterDevices();
  }

  bool Load(const std::filesystem::path& path, std::string& problem) {
    if (!loader_.Load(path, problem)) return false;
    if (loader_.Exports().registerDevices != nullptr) loader_.Exports().registerDevices();
    return true;
  }

 private:
  PluginLoader loader_;
};

// The port of the dry run, and a way to read back what was sent through it.
struct CapturePort {
  std::unique_ptr<BaseIOHandler> port;
  std::function<std::vector<CString>()> records;
};

CapturePort MakePort(const ApplyOptions& options) {
  if (options.noSocket) {
    auto plain = std::make_unique<CaptureIoHandler>();
    auto records = [capture = plain.get()] { return capture->Records(); };
    return {std::move(plain), records};
  }
  auto transport = std::make_unique<ZqCaptureTransport>();
  auto records = [capture = transport.get()] { return capture->Records(); };
  auto socket = std::make_unique<KavoSocketIoHandler>(std::move(transport));
  const std::vector<ZqHead> heads = options.heads.empty() ? std::vector{kDefaultZqHead} : options.heads;
  for (const ZqHead& head : heads) socket->SetZqDeviceId(head.deviceEnum, head.deviceId);
  return {std::move(socket), records};
}

}  // namespace

int RunApply(const ApplyOptions& options, std::ostream& out, std::ostream& err) {
  FileObject file{std::string()};
  std::string problem;
  if (!FileObject::Read(options.attributesFile, file, problem)) {
    err << "tavrin-host apply: " << problem << '\n';
    return 2;
  }
  CAttributeMap attributes;
  const AttributeMapParseResult parsed = ReadAttributeMapJson(file.Text(), attributes);
  if (!parsed.ok) {
    err << "tavrin-host apply: " << options.attributesFile << ": " << parsed.error << '\n';
    return 2;
  }

  CapturePort capture = MakePort(options);
  RegisteredPlugin plugin;
  const std::filesystem::path pluginPath =
      options.plugin.empty() ? PluginLoader::DefaultPath() : options.plugin;
  if (!plugin.Load(pluginPath, problem)) {
    err << "tavrin-host apply: " << problem << '\n';
    return 2;
  }
  // Made by the creator the plug-in registered, as the host makes its devices; gone before the plug-in.
  const std::unique_ptr<Device> made = CDevList::GetDevList().CreateDevice(kControlDeviceType);
  auto* const kavoDevice = dynamic_cast<KavoDevice*>(made.get());
  if (kavoDevice == nullptr) {
    err << "tavrin-host apply: plug-in " << pluginPath.string() << " makes no " << kControlDeviceType << '\n';
    return 2;
  }
  KavoDevice& device = *kavoDevice;
  device.SetZqDeviceEnum(options.deviceEnum);
  device.SetPortPtr(capture.port.get());
  {
    std::lock_guard lock(device.GetAttribLock());
    device.GetAttributes() = std::move(attributes);
  }
  if (options.hostLogging) {
    // The device hears of it as it would from the host: on the notification thread.
    HostLogging::PublishStarted();
    if (!SubscriptionManager::Instance().WaitIdle(kNotificationBound)) {
      err << "tavrin-host apply: the logging notification was not delivered\n";
      return 1;
    }
  }
  device.ApplyAttribs(false);
  device.SetPortPtr(nullptr);

  const std::vector<CString> records = capture.records();
  if (options.decode) {
    for (const CString& record : records) out << DescribeZqRecord(record.View()) << '\n';
    return 0;
  }
  out << "{\"records\": [";
  for (std::size_t i = 0; i < records.size(); ++i) {
    out << (i == 0 ? "" : ", ") << '"' << ToHex(records[i].View()) << '"';
  }
  std::lock_guard lock(device.GetAttribLock());
  out << "], \"attributes\": " << WriteAttributeMapJson(device.GetAttributes()) << "}\n";
  return 0;
}
