// The resource libraries of the plug-in modules: the host looks a module's resources up in the
// library recorded for it.
#pragma once

#include "platform/afx/WindowsTypes.h"

namespace Tavrin {

// Records module as the resource library of the module loaded as instance, replacing an earlier
// one. False (nothing recorded) when either handle is null.
bool LoadDLLResourceDLL(HINSTANCE instance, HMODULE module);
// The resource library recorded for instance; null when there is none.
HMODULE FindDLLResourceModule(HINSTANCE instance);

}  // namespace Tavrin
