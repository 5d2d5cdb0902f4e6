// The host's version check of plug-in modules.
#pragma once

// The version of the host's module interface.
inline constexpr unsigned long kTavrinHostVersion = 0x0400000A;

// True when a module built for version may run in this host: the version equals the host's. file
// and date name the module and its build; the check only compares the version.
bool CheckDllVersion(unsigned long version, const char* file, const char* date);

// The version modules are checked against: kTavrinHostVersion unless changed, for instance by a
// test that stands in for a host of another version.
unsigned long GetHostVersion();
void SetHostVersion(unsigned long version);
