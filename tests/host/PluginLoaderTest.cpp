// Loading the built plug-in as the host does, and the loader's answers to files it cannot use.
#include "host/PluginLoader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/VersionControl.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kDeviceType = "KavoSonarConfigurationControlDevice";

// Whether the dynamic loader still holds the library at path.
bool StaysLoaded(const fs::path& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

TEST(PluginLoader, LoadsThePluginNextToTheHostRegistersAndMakesItsDeviceAndUnloads) {
  EXPECT_TRUE(fs::equivalent(PluginLoader::DefaultPath(), KAVO_PLUGIN_FILE));
  PluginLoader loader;
  std::string problem;
  ASSERT_TRUE(loader.Load(KAVO_PLUGIN_FILE, problem)) << problem;
  const PluginExports& exports = loader.Exports();
  ASSERT_TRUE(exports.registerDevices && exports.unRegisterDevices && exports.deviceCtrlInit);

  exports.registerDevices();
  {
    std::unique_ptr<Device> device = CDevList::GetDevList().CreateDevice(kDeviceType);
    ASSERT_NE(dynamic_cast<KavoSonarConfigurationControlDevice*>(device.get()), nullptr);
    device->SetDataId(CDataId(7, 78, 1, 1));
    ASSERT_TRUE(DataManager::GetDataManager().AddDevice(std::move(device)));
    exports.deviceCtrlInit(1, 78, 1, 7);
    EXPECT_EQ(DataManager::GetDataManager().FindDevice(CDataId(7, 78, 1, 1))->GetDeviceCtrlViewType(),
              CString("KAVOSONARCONFIGURATION"));
    EXPECT_TRUE(DataManager::GetDataManager().RemoveDevice(CDataId(7, 78, 1, 1)));  // before its code goes
  }
  EXPECT_TRUE(exports.unRegisterDevices());
  loader.Unload();
  EXPECT_FALSE(loader.IsLoaded());
  EXPECT_FALSE(StaysLoaded(KAVO_PLUGIN_FILE));
}

TEST(PluginLoader, HostOfAnotherVersionIsRefusedAndNothingStays) {
  SetHostVersion(kTavrinHostVersion + 1);
  PluginLoader loader;
  std::string problem;
  const bool loaded = loader.Load(KAVO_PLUGIN_FILE, problem);
  SetHostVersion(kTavrinHostVersion);
  ASSERT_FALSE(loaded);
  EXPECT_EQ(problem,
            std::string("plug-in ") + KAVO_PLUGIN_FILE + " refused to load (host version check failed)");
  EXPECT_FALSE(loader.IsLoaded());
  EXPECT_FALSE(StaysLoaded(KAVO_PLUGIN_FILE));
  EXPECT_FALSE(CDevList::GetDevList().IsRegistered(kDeviceType));
}

TEST(PluginLoader, NamesTheFileAndTheReasonWhenItIsNoPlugin) {
  const fs::path text = fs::temp_directory_path() / ("not-a-plugin-" + std::to_string(::getpid()) + ".so");
  std::ofstream(text) << "not a library\n";
  const struct {
    fs::path path;
    const char* reason;
  } cases[] = {
      {"/nonexistent/libKavoSonarConfiguration.so", "No such file"},
      {text, "cannot load plug-in"},
      {TAVRIN_PLATFORM_FILE, "has no entry point: undefined symbol: DllMain"},
  };
  for (const auto& [path, reason] : cases) {
    PluginLoader loader;
    std::string problem;
    EXPECT_FALSE(loader.Load(path, problem));
    EXPECT_NE(problem.find(path.string()), std::string::npos) << problem;
    EXPECT_NE(problem.find(reason), std::string::npos) << problem;
    EXPECT_FALSE(loader.IsLoaded());
  }
  fs::remove(text);
}

}  // namespace
