// Opening plug-in libraries with the dynamic loader and calling their entry point.
#include "host/PluginLoader.h"

#include <dlfcn.h>

#include <string_view>
#include <system_error>
#include <utility>

#include "platform/afx/WindowsTypes.h"

namespace {

using DllMainFunction = int (*)(void* instance, unsigned long reason, void* reserved);

template <typename Function>
Function As(void* address) {
  return reinterpret_cast<Function>(address);
}

// The dynamic loader's last error, without the file name it starts with.
std::string LastLoaderError(const std::filesystem::path& path) {
  const char* error = dlerror();
  if (error == nullptr) return "unknown error";
  const std::string_view text(error);
  const std::string prefix = path.string() + ": ";
  return std::string(text.starts_with(prefix) ? text.substr(prefix.size()) : text);
}

}  // namespace

std::filesystem::path PluginLoader::DefaultPath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return kPluginFileName;  // left to the loader's search path
  return program.parent_path().parent_path() / "lib" / kPluginFileName;
}

PluginLoader::PluginLoader(PluginLoader&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      attached_(std::exchange(other.attached_, false)),
      path_(std::move(other.path_)),
      exports_(std::exchange(other.exports_, {})) {}

PluginLoader& PluginLoader::operator=(PluginLoader&& other) noexcept {
  if (this != &other) {
    Unload();
    handle_ = std::exchange(other.handle_, nullptr);
    attached_ = std::exchange(other.attached_, false);
    path_ = std::move(other.path_);
    exports_ = std::exchange(other.exports_, {});
  }
  return *this;
}

bool PluginLoader::Load(const std::filesystem::path& path, std::string& problem) {
  Unload();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    problem = "cannot load plug-in " + path.string() + ": " + LastLoaderError(path);
    return false;
  }
  const auto entry = As<DllMainFunction>(dlsym(handle, "DllMain"));
  if (entry == nullptr) {
    problem = "plug-in " + path.string() + " has no entry point: " + LastLoaderError(path);
    dlclose(handle);
    return false;
  }
  if (entry(handle, DLL_PROCESS_ATTACH, nullptr) == 0) {
    problem = "plug-in " + path.string() + " refused to load (host version check failed)";
    dlclose(handle);
    return false;
  }
  handle_ = handle;
  attached_ = true;
  path_ = path;
  exports_.registerDevices = As<decltype(exports_.registerDevices)>(Find("RegisterDevices"));
  exports_.unRegisterDevices = As<decltype(exports_.unRegisterDevices)>(Find("UnRegisterDevices"));
  exports_.deviceCtrlInit = As<decltype(exports_.deviceCtrlInit)>(Find("DeviceCtrlInit"));
  exports_.registerViews = As<decltype(exports_.registerViews)>(Find("RegisterViews"));
  exports_.initializeTemplates = As<decltype(exports_.initializeTemplates)>(Find("InitializeTemplates"));
  exports_.unInitializeTemplates =
      As<decltype(exports_.unInitializeTemplates)>(Find("UnInitializeTemplates"));
  return true;
}

void PluginLoader::Detach() {
  if (handle_ == nullptr || !attached_) return;
  attached_ = false;
  if (const auto entry = As<DllMainFunction>(Find("DllMain"))) entry(handle_, DLL_PROCESS_DETACH, nullptr);
}

void PluginLoader::Unload() {
  if (handle_ == nullptr) return;
  Detach();
  dlclose(std::exchange(handle_, nullptr));
  path_.clear();
  exports_ = {};
}

void* PluginLoader::Find(const char* name) const {
  return dlsym(handle_, name);
}
