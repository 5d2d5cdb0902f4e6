// The host's application as the plug-in sees it: the main window (whose posted messages the running
// host handles on its UI thread), the application object that owns the plug-in's document templates,
// the plug-in's views and templates registered through its exports, and the views that were open at
// the last stop opened again. Stopping undoes it in the order the plug-in needs: main window, views
// (kept stored for the next start), templates.
#pragma once

#include <memory>

class CWinApp;
class HostRuntime;
struct PluginExports;

class HostApplication {
 public:
  // The runtime and the exports must outlive the application's Stop.
  HostApplication(HostRuntime& runtime, const PluginExports& exports);
  HostApplication(const HostApplication&) = delete;
  HostApplication& operator=(const HostApplication&) = delete;
  ~HostApplication();

  void Stop();

 private:
  HostRuntime& runtime_;
  const PluginExports& exports_;
  std::unique_ptr<CWinApp> app_;
};
