// Loading the built plug-in as the host does, with the loader and through the dry run, and their answers
// to a library they cannot use.
#include "host/PluginLoader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "host/ApplyCommand.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/VersionControl.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kDeviceType = "KavoSonarConfigurationControlDevice";

// Whether the dynamic loader still holds the plug-in library.
bool PluginStaysLoaded() {
  void* handle = dlopen(KAVO_PLUGIN_FILE, RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

TEST(PluginLoader, LoadsThePluginOrNamesTheFileAndWhyNotAndTheDryRunRunsOrSaysSo) {
  EXPECT_TRUE(fs::equivalent(PluginLoader::DefaultPath(), KAVO_PLUGIN_FILE));
  const struct {
    fs::path path;
    unsigned long hostVersion;
    const char* reason;  // null: it loads
  } cases[] = {
      {KAVO_PLUGIN_FILE, kTavrinHostVersion, nullptr},
      {KAVO_PLUGIN_FILE, kTavrinHostVersion + 1, " refused to load (host version check failed)"},
      {"/nonexistent/libKavoSonarConfiguration.so", kTavrinHostVersion, "cannot load plug-in"},
      {TAVRIN_PLATFORM_FILE, kTavrinHostVersion, "has no entry point: undefined symbol: DllMain"},
  };
  for (const auto& [path, hostVersion, reason] : cases) {
    SCOPED_TRACE(path);
    SetHostVersion(hostVersion);
    PluginLoader loader;
    std::string problem;
    EXPECT_EQ(loader.Load(path, problem), reason == nullptr) << problem;
    const PluginExports exports = loader.Exports();
    loader.Unload();
    // The dry run loads it again, makes its control device through the type it registers, and unloads it.
    std::ostringstream out;
    std::ostringstream err;
    ApplyOptions apply;
    apply.attributesFile = KAVO_EXAMPLES_DIR "/range-and-power.json";
    apply.plugin = path;
    const int exitCode = RunApply(apply, out, err);
    SetHostVersion(kTavrinHostVersion);
    if (reason == nullptr) {
      EXPECT_TRUE(exports.registerDevices && exports.unRegisterDevices && exports.deviceCtrlInit &&
                  exports.initializeTemplates);
      EXPECT_EQ(exitCode, 0) << err.str();
      EXPECT_TRUE(out.str().starts_with(R"({"records": ["05003c00ffff)")) << out.str();
    } else {
      EXPECT_NE(problem.find(path.string()), std::string::npos) << problem;
      EXPECT_NE(problem.find(reason), std::string::npos) << problem;
      EXPECT_EQ(exitCode, 2);
      EXPECT_EQ(err.str(), "tavrin-host apply: " + problem + "\n");
    }
    EXPECT_FALSE(PluginStaysLoaded());
    EXPECT_FALSE(CDevList::GetDevList().IsRegistered(kDeviceType));
  }
}

}  // namespace
