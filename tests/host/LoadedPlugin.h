// The plug-in library loaded as the host loads it, its device types registered, for tests that run a
// host in this process: devices are made through the types the plug-in registered, never from a copy
// of its classes linked into the test. Declare it before anything that holds those devices, so that
// it is unloaded after them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/HostRuntime.h"
#include "host/PluginLoader.h"
#include "platform/tavrin/CDevList.h"

class LoadedPlugin {
 public:
  LoadedPlugin() {
    std::string problem;
    EXPECT_TRUE(loader_.Load(KAVO_PLUGIN_FILE, problem)) << problem;
    if (loader_.Exports().registerDevices != nullptr) loader_.Exports().registerDevices();
  }
  ~LoadedPlugin() {
    if (loader_.Exports().unRegisterDevices != nullptr) loader_.Exports().unRegisterDevices();
  }
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  // Makes a device of a type the plug-in registered, as the host program does.
  static std::unique_ptr<Device> MakeDevice(const std::string& type) {
    return CDevList::GetDevList().CreateDevice(CString(type));
  }

 private:
  PluginLoader loader_;
};
