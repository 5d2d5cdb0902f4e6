// The plug-in's module entry and the functions the host calls by name.
#pragma once

#include "platform/tavrin/DevICreator.h"

class CWinApp;

// The name under which the control device type is registered with the host.
inline constexpr const char* kControlDeviceTypeName = "KavoSonarConfigurationControlDevice";
// The control view type given to each control device: the name of the configuration view's template.
inline constexpr const char* kControlViewTypeName = "KAVOSONARCONFIGURATION";
// The name under which the configuration view is registered.
inline constexpr const char* kConfigurationViewName = "KavoSonarConfigurationView";
// The names of the system messages view and of its document template.
inline constexpr const char* kSystemMessagesViewName = "KavoSystemMessages";
inline constexpr const char* kSystemMessagesTemplateName = "KAVOSYSTEMMESSAGES";

// Makes devices of class T for the host's device list.
template <typename T>
class DevCreator : public DevICreator {
 public:
  Device* Create() override { return new T(); }
};

// The host resolves these by their unmangled names, so they stay visible when the rest of the
// plug-in is not.
#define KAVO_EXPORT __attribute__((visibility("default")))

extern "C" {

// The host's load (reason 1) and unload (reason 0) of the plug-in. Returns 0 to refuse a load.
KAVO_EXPORT int DllMain(void* instance, unsigned long reason, void* reserved);

// Registers the control device type with the host's device list.
KAVO_EXPORT void RegisterDevices();
// Unregisters it; the host's result.
KAVO_EXPORT bool UnRegisterDevices();
// Makes the device whose data identifier is (d, b, c, a) a control device of the configuration view.
// An identifier that names no device changes nothing.
KAVO_EXPORT void DeviceCtrlInit(unsigned short a, unsigned short b, unsigned short c, unsigned short d);
// Registers the configuration view with the host's view list.
KAVO_EXPORT void RegisterViews();
// Called once the host's devices exist: gives the host's application the configuration view's
// document template, names it in the host's template list, then starts the ping sequencer.
KAVO_EXPORT void InitializeTemplates(CWinApp* app);
// Takes the plug-in's templates out of the host's template list; the application keeps them.
KAVO_EXPORT void UnInitializeTemplates();

}  // extern "C"
