// The plug-in's module entry and exports, called as the host calls them. (Loading it: the plug-in
// loader test in tests/host/ApplyCommandTest.cpp.)
#include "frame/KavoSonarConfiguration.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/afx/CDocTemplate.h"
#include "platform/afx/CDynLinkLibrary.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/HostViews.h"
#include "platform/tavrin/ResourceModules.h"
#include "tests/sequencing/SequencingFakes.h"
#include "views/config/KavoSonarConfigurationView.h"

namespace {

// Attach joins the resource chain and detach leaves it; any other reason does nothing. The control device
// type is registered until unregistered, once.
TEST(ModuleEntry, JoinsTheChainFromAttachToDetachAndRegistersTheDeviceUntilUnregistered) {
  int instance = 0;
  ASSERT_EQ(DllMain(&instance, DLL_PROCESS_ATTACH, nullptr), 1);
  EXPECT_EQ(DllMain(&instance, 2, nullptr), 1);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&instance), 1U);
  EXPECT_EQ(Tavrin::FindDLLResourceModule(&instance), &instance);
  RegisterDevices();
  EXPECT_TRUE(CDevList::GetDevList().IsRegistered("KavoSonarConfigurationControlDevice"));
  EXPECT_TRUE(UnRegisterDevices());
  EXPECT_FALSE(CDevList::GetDevList().IsRegistered("KavoSonarConfigurationControlDevice"));
  EXPECT_FALSE(UnRegisterDevices());
  EXPECT_EQ(DllMain(&instance, DLL_PROCESS_DETACH, nullptr), 1);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&instance), 0U);
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
  EXPECT_TRUE(manager.RemoveDevice(CDataId(4, 2, 3, 1)) && manager.RemoveDevice(CDataId(1, 2, 3, 4)));
}

// The view is registered by name; its template goes to the application, which owns it, and is named in
// the host's list until the plug-in takes it out; the resources it is drawn from come with the module.
TEST(Templates, TheConfigurationViewsTemplateIsTheApplicationsAndListedUntilUnInitialized) {
  int instance = 0;
  ASSERT_EQ(DllMain(&instance, DLL_PROCESS_ATTACH, nullptr), 1);
  RegisterViews();
  EXPECT_EQ(GetViewList().Find("KavoSonarConfigurationView"), RUNTIME_CLASS(KavoSonarConfigurationView));
  CWinApp app;
  InitializeTemplates(&app);
  ASSERT_EQ(app.GetDocTemplates().size(), 1U);
  const CDocTemplate* configuration = CDocTemplateList::GetDocTemplates().Find("KAVOSONARCONFIGURATION");
  EXPECT_EQ(configuration, app.GetDocTemplates().front().get());
  EXPECT_EQ(configuration->GetViewClass(), RUNTIME_CLASS(KavoSonarConfigurationView));
  CString title;
  EXPECT_TRUE(title.LoadString(16911));
  EXPECT_EQ(title, CString("Sonar Configuration - %s"));
  UnInitializeTemplates();
  EXPECT_EQ(CDocTemplateList::GetDocTemplates().Find("KAVOSONARCONFIGURATION"), nullptr);
  EXPECT_EQ(app.GetDocTemplates().size(), 1U);
  EXPECT_EQ(DllMain(&instance, DLL_PROCESS_DETACH, nullptr), 1);
  EXPECT_FALSE(title.LoadString(16911));
}

// The detach joins the trigger thread, which waits for the sonar, and ends the subscriptions.
TEST_F(SequencedSonars, InitializeTemplatesStartsThePingSequencerWhichTheDetachStops) {
  AddSonar({"sonar", CDataId(1, 78, 1, 1), 1, std::nullopt, 7000, std::nullopt});
  int instance = 0;
  ASSERT_EQ(DllMain(&instance, DLL_PROCESS_ATTACH, nullptr), 1);
  InitializeTemplates(nullptr);
  Feed("sonar");
  ASSERT_TRUE(log.WaitForCount(2));  // no ping rate, then the first trigger
  EXPECT_EQ(DllMain(&instance, DLL_PROCESS_DETACH, nullptr), 1);
  Feed("sonar");
  EXPECT_FALSE(log.MoreThan(2, std::chrono::milliseconds(30)));
}

}  // namespace
