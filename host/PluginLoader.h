// Loads a plug-in library into the host: opens it, runs its entry point, and finds the functions the
// host calls by name. Unloading runs the entry point's detach and closes the library; the host calls
// the plug-in's unregistering functions before that, and destroys the devices the plug-in made. The
// detach can come first on its own, so that whatever the plug-in runs has stopped before the host
// destroys the devices it works on.
#pragma once

#include <filesystem>
#include <string>

class CWinApp;

// The functions of a plug-in, each null when the plug-in does not export it.
struct PluginExports {
  void (*registerDevices)() = nullptr;
  bool (*unRegisterDevices)() = nullptr;
  void (*deviceCtrlInit)(unsigned short a, unsigned short b, unsigned short c, unsigned short d) = nullptr;
  void (*registerViews)() = nullptr;
  void (*initializeTemplates)(CWinApp* app) = nullptr;
  void (*unInitializeTemplates)() = nullptr;
};

class PluginLoader {
 public:
  static constexpr const char* kPluginFileName = "libKavoSonarConfiguration.so";

  // The plug-in next to the host program: <prefix>/lib/<plug-in> for a program in <prefix>/bin.
  static std::filesystem::path DefaultPath();

  PluginLoader() = default;
  ~PluginLoader() { Unload(); }
  PluginLoader(PluginLoader&& other) noexcept;
  PluginLoader& operator=(PluginLoader&& other) noexcept;
  PluginLoader(const PluginLoader&) = delete;
  PluginLoader& operator=(const PluginLoader&) = delete;

  // Unloads what is loaded, then loads the plug-in at path. On failure nothing stays loaded and problem
  // holds one line naming the file: it cannot be opened, has no entry point, or refused the load.
  bool Load(const std::filesystem::path& path, std::string& problem);
  // Runs the entry point's detach, once; the library stays open. Nothing happens when none is loaded.
  void Detach();
  // Detaches (unless that was done) and closes the plug-in. Nothing happens when none is loaded.
  void Unload();

  bool IsLoaded() const { return handle_ != nullptr; }
  const std::filesystem::path& Path() const { return path_; }
  const PluginExports& Exports() const { return exports_; }

 private:
  // The address of the plug-in's export name, null when there is none.
  void* Find(const char* name) const;

  void* handle_ = nullptr;
  bool attached_ = false;
  std::filesystem::path path_;
  PluginExports exports_;
};
