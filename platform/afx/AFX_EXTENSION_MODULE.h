// The record of a framework extension module: filled when the module is attached, released when it
// is detached. The module keeps one for the whole process.
#pragma once

#include "platform/afx/WindowsTypes.h"

struct AfxResourceTable;

struct AFX_EXTENSION_MODULE {
  bool bInitialized = false;
  HMODULE hModule = nullptr;
  HMODULE hResource = nullptr;  // where the module's resources are looked up: the module itself
  // The module's dialog templates and strings, compiled into it; they join the framework with the
  // module's entry in the library chain.
  const AfxResourceTable* resources = nullptr;
};

// Fills the record for the module loaded as instance. True when the record is initialised, also
// when it already was; false for a null instance.
bool AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE instance);
// Frees the module's entries of the framework's library chain (with all, every entry of the chain)
// and resets the record, all but its resources. Does nothing for a record that was never initialised.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, bool all);
