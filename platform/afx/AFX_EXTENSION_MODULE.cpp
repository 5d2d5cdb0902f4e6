// Attaching and detaching extension modules.
#include "platform/afx/AFX_EXTENSION_MODULE.h"

#include "platform/afx/CDynLinkLibrary.h"

bool AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE instance) {
  if (instance == nullptr) return false;
  if (state.bInitialized) return true;
  state.hModule = instance;
  state.hResource = instance;
  state.bInitialized = true;
  return true;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, bool all) {
  if (!state.bInitialized) return;
  CDynLinkLibrary::FreeChain(all ? nullptr : state.hModule);
  state = AFX_EXTENSION_MODULE{.resources = state.resources};
}
