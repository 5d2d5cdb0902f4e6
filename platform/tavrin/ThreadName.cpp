// Thread names through pthread_setname_np, with the whole name kept for the thread itself.
#include "platform/tavrin/ThreadName.h"

#include <pthread.h>

namespace {
thread_local std::string threadName;
}  // namespace

void SetThreadName(unsigned long threadId, const char* name) {
  if (threadId != kCallingThread || name == nullptr) return;
  threadName = name;
  // The system refuses names longer than 15 characters, so it gets the start of the name.
  ::pthread_setname_np(::pthread_self(), threadName.substr(0, 15).c_str());
}

std::string GetThreadName() {
  return threadName;
}
