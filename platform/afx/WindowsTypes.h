// The handle types and entry-point reasons of a host module, as the plug-in spells them. On Linux a
// module handle is the handle that dlopen returned for the library.
#pragma once

using HINSTANCE = void*;
using HMODULE = void*;

// Reasons with which the host calls a module's DllMain.
inline constexpr unsigned long DLL_PROCESS_DETACH = 0;
inline constexpr unsigned long DLL_PROCESS_ATTACH = 1;
