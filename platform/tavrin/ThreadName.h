// Names of the host's threads, as debuggers, `top -H` and the host's own reports show them.
#pragma once

#include <string>

// The thread id that means the calling thread.
inline constexpr unsigned long kCallingThread = static_cast<unsigned long>(-1);

// Names a thread. Only the calling thread can be named on Linux; another id changes nothing. The
// system keeps the first 15 characters; GetThreadName gives the whole name.
void SetThreadName(unsigned long threadId, const char* name);
// The name the calling thread was given by SetThreadName; empty when it was given none.
std::string GetThreadName();
