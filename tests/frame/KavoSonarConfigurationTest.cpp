// The plug-in's module entry and device registration exports, called as the host calls them.
#include "frame/KavoSonarConfiguration.h"

#include <gtest/gtest.h>

#include <memory>

#include "afx/CDynLinkLibrary.h"
#include "control/KavoSonarConfigurationControlDevice.h"
#include "tavrin/CDevList.h"
#include "tavrin/DataManager.h"
#include "tavrin/ResourceModules.h"
#include "tavrin/VersionControl.h"

namespace {

TEST(DllMain, JoinsTheChainOnAttachLeavesItOnDetachAndRefusesAnotherHostVersion) {
  int instance = 0;
  ASSERT_EQ(DllMain(&instance, DLL_PROCESS_ATTACH, nullptr), 1);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&instance), 1U);
  EXPECT_EQ(Tavrin::FindDLLResourceModule(&instance), &instance);
  EXPECT_EQ(DllMain(&instance, 2, nullptr), 1);  // any other reason does nothing
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&instance), 1U);
  EXPECT_EQ(DllMain(&instance, DLL_PROCESS_DETACH, nullptr), 1);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&instance), 0U);

  int other = 0;
  SetHostVersion(kTavrinHostVersion + 1);
  EXPECT_EQ(DllMain(&other, DLL_PROCESS_ATTACH, nullptr), 0);
  SetHostVersion(kTavrinHostVersion);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&other), 0U);
  EXPECT_EQ(Tavrin::FindDLLResourceModule(&other), nullptr);
}

TEST(RegisterDevices, LetsTheHostMakeControlDevicesByNameUntilUnregistered) {
  CDevList& list = CDevList::GetDevList();
  RegisterDevices();
  const std::unique_ptr<Device> device = list.CreateDevice("KavoSonarConfigurationControlDevice");
  EXPECT_NE(dynamic_cast<KavoSonarConfigurationControlDevice*>(device.get()), nullptr);
  EXPECT_TRUE(UnRegisterDevices());
  EXPECT_FALSE(list.IsRegistered("KavoSonarConfigurationControlDevice"));
  EXPECT_FALSE(UnRegisterDevices());
}

TEST(DeviceCtrlInit, SetsTheViewTypeOfTheDeviceWithTheArgumentsReordered) {
  DataManager& manager = DataManager::GetDataManager();
  for (const CDataId& id : {CDataId(4, 2, 3, 1), CDataId(1, 2, 3, 4)}) {
    auto device = std::make_unique<Device>();
    device->SetDataId(id);
    ASSERT_TRUE(manager.AddDevice(std::move(device)));
  }
  DeviceCtrlInit(1, 2, 3, 4);
  DeviceCtrlInit(9, 9, 9, 9);  // names no device
  EXPECT_EQ(manager.FindDevice(CDataId(4, 2, 3, 1))->GetDeviceCtrlViewType(),
            CString("KAVOSONARCONFIGURATION"));
  EXPECT_TRUE(manager.FindDevice(CDataId(1, 2, 3, 4))->GetDeviceCtrlViewType().IsEmpty());
  manager.RemoveDevice(CDataId(4, 2, 3, 1));
  manager.RemoveDevice(CDataId(1, 2, 3, 4));
}

}  // namespace
