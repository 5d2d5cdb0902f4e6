// Starting and stopping the plug-in's side of the host's application.
#include "host/HostApplication.h"

#include "host/HostRuntime.h"
#include "host/PluginLoader.h"
#include "host/ViewHost.h"
#include "platform/afx/CDocTemplate.h"
#include "platform/afx/MainWindow.h"

HostApplication::HostApplication(HostRuntime& runtime, const PluginExports& exports)
    : runtime_(runtime), exports_(exports), app_(std::make_unique<CWinApp>()) {
  AfxOpenMainWnd([&runtime](UINT message, WPARAM wParam, LPARAM lParam) {
    return runtime.HandleMainWindowMessage(message, wParam, lParam);
  });
  if (exports_.registerViews != nullptr) exports_.registerViews();
  if (exports_.initializeTemplates != nullptr) exports_.initializeTemplates(app_.get());
  runtime_.Views().Restore();
}

HostApplication::~HostApplication() {
  Stop();
}

void HostApplication::Stop() {
  if (!app_) return;
  AfxCloseMainWnd();
  runtime_.Views().CloseAll();
  if (exports_.unInitializeTemplates != nullptr) exports_.unInitializeTemplates();
  app_.reset();
}
