// Module entry: the host's version check, joining the framework's library chain, the registration
// of the device type, the two views and their document templates, and the start of the ping sequencer.
#include "frame/KavoSonarConfiguration.h"

#include "control/KavoSonarConfigurationControlDevice.h"
#include "platform/afx/AFX_EXTENSION_MODULE.h"
#include "platform/afx/CDynLinkLibrary.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/DisplayViews.h"
#include "platform/tavrin/HostViews.h"
#include "platform/tavrin/ResourceModules.h"
#include "platform/tavrin/VersionControl.h"
#include "resources/KavoResources.h"
#include "sequencing/KavoSonarConfigurationInfo.h"
#include "views/config/KavoSonarConfigurationView.h"
#include "views/messages/KavoSystemMessages.h"

namespace {

// The host interface version the plug-in is built for.
constexpr unsigned long kBuiltForHostVersion = 0x0400000A;
constexpr const char* kModuleFileName = "KavoSonarConfiguration";

// The module's record in the framework; the plug-in's dialog templates and strings join the
// framework with it.
AFX_EXTENSION_MODULE extensionModule{.resources = &KavoResources()};

int AttachModule(HINSTANCE instance) {
  if (!CheckDllVersion(kBuiltForHostVersion, kModuleFileName, __DATE__ " " __TIME__)) return 0;
  if (!AfxInitExtensionModule(extensionModule, instance)) return 0;
  new CDynLinkLibrary(extensionModule, false);  // the framework owns it from here on
  Tavrin::LoadDLLResourceDLL(instance, extensionModule.hModule);
  return 1;
}

int DetachModule() {
  // Whatever the plug-in still runs stops here, before its module leaves the framework: the
  // sequencer's subscriptions end and its trigger threads are joined.
  KavoSonarConfigurationInfo::Instance().Exit();
  AfxTermExtensionModule(extensionModule, false);
  return 1;
}

}  // namespace

// Nothing may be thrown into the host: a failure inside refuses the load or does nothing.
int DllMain(void* instance, unsigned long reason, void* /*reserved*/) {
  try {
    switch (reason) {
      case DLL_PROCESS_ATTACH:
        return AttachModule(instance);
      case DLL_PROCESS_DETACH:
        return DetachModule();
      default:
        return 1;
    }
  } catch (...) {
    AfxTermExtensionModule(extensionModule, false);
    return 0;
  }
}

void RegisterDevices() {
  try {
    CDevList::GetDevList().RegisterDev(kControlDeviceTypeName,
                                       new DevCreator<KavoSonarConfigurationControlDevice>());
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}

bool UnRegisterDevices() {
  try {
    return CDevList::GetDevList().UnRegisterDev(kControlDeviceTypeName);
  } catch (...) {
    return false;
  }
}

void DeviceCtrlInit(unsigned short a, unsigned short b, unsigned short c, unsigned short d) {
  try {
    Device* device = DataManager::GetDataManager().FindDevice(CDataId(d, b, c, a));
    if (device != nullptr) device->SetDeviceCtrlViewType(kControlViewTypeName);
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}

void RegisterViews() {
  try {
    GetViewList().RegisterView(kConfigurationViewName, RUNTIME_CLASS(KavoSonarConfigurationView));
    GetViewList().RegisterView(kSystemMessagesViewName, RUNTIME_CLASS(KavoSystemMessages));
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}

namespace {

// A template of displays of viewClass, given to the application (which owns it from then on) and
// named in the host's list.
void AddTemplate(CWinApp& app, const char* name, const CRuntimeClass* viewClass) {
  auto* display =
      new ORVMultiDocTemplateAttr1(RUNTIME_CLASS(CDisplayDocAttr1), RUNTIME_CLASS(CDisplayFrmAttr1),
                                   viewClass, RUNTIME_CLASS(CDisplayDockFrmAttr1));
  app.AddDocTemplate(display);
  CDocTemplateList::GetDocTemplates().AddTemplate(name, display);
}

}  // namespace

void InitializeTemplates(CWinApp* app) {
  try {
    if (app != nullptr) {
      AddTemplate(*app, kControlViewTypeName, RUNTIME_CLASS(KavoSonarConfigurationView));
      AddTemplate(*app, kSystemMessagesTemplateName, RUNTIME_CLASS(KavoSystemMessages));
    }
    KavoSonarConfigurationInfo::Instance().Init();
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}

void UnInitializeTemplates() {
  try {
    CDocTemplateList::GetDocTemplates().RemoveTemplate(kControlViewTypeName);
    CDocTemplateList::GetDocTemplates().RemoveTemplate(kSystemMessagesTemplateName);
  } catch (...) {  // NOLINT(bugprone-empty-catch)
  }
}
