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
#include "views/messages/KavoSystemMessages.h"

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

// The views are registered by name; their templates go to the application, which owns them, and are
// named in the host's list until the plug-in takes them out; the resources they are drawn from come
// with the module.
TEST(Templates, TheViewsTemplatesAreTheApplicationsAndListedUntilUnInitialized) {
  struct Registered {
    const char* view;
    const char* templateName;
    const CRuntimeClass* viewClass;
  };
  const Registered registered[] = {
      {"KavoSonarConfigurationView", "KAVOSONARCONFIGURATION", RUNTIME_CLASS(KavoSonarConfigurationView)},
      {"KavoSystemMessages", "KAVOSYSTEMMESSAGES", RUNTIME_CLASS(KavoSystemMessages)},
  };
  int instance = 0;
  ASSERT_EQ(DllMain(&instance, DLL_PROCESS_ATTACH, nullptr), 1);
  RegisterViews();
  CWinApp app;
  InitializeTemplates(&app);
  ASSERT_EQ(app.GetDocTemplates().size(), 2U);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(GetViewList().Find(registered[i].view), registered[i].viewClass);
    const CDocTemplate* display = CDocTemplateList::GetDocTemplates().Find(registered[i].templateName);
    EXPECT_EQ(display, app.GetDocTemplates()[i].get());
    EXPECT_EQ(display->GetViewClass(), registered[i].viewClass);
  }
  CString title;
  EXPECT_TRUE(title.LoadString(16911));
  EXPECT_EQ(title, CString("Sonar Configuration - %s"));
  UnInitializeTemplates();
  for (const Registered& entry : registered) {
    EXPECT_EQ(CDocTemplateList::GetDocTemplates().Find(entry.templateName), nullptr);
  }
  EXPECT_EQ(app.GetDocTemplates().size(), 2U);
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
