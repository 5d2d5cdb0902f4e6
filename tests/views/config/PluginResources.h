// The plug-in's dialog templates and strings joined to the framework for as long as the object
// lives, as they are while the host has the plug-in loaded.
#pragma once

#include "platform/afx/AFX_EXTENSION_MODULE.h"
#include "platform/afx/CDynLinkLibrary.h"
#include "resources/KavoResources.h"

class PluginResources {
 public:
  PluginResources() {
    AfxInitExtensionModule(module_, &instance_);
    new CDynLinkLibrary(module_, false);  // the framework owns it
  }
  ~PluginResources() { AfxTermExtensionModule(module_, false); }
  PluginResources(const PluginResources&) = delete;
  PluginResources& operator=(const PluginResources&) = delete;

 private:
  char instance_ = 0;  // stands for the module's handle
  AFX_EXTENSION_MODULE module_{.resources = &KavoResources()};
};
