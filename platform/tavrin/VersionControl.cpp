// The host's version, compared with what each module was built for.
#include "platform/tavrin/VersionControl.h"

#include <atomic>

namespace {

std::atomic<unsigned long>& HostVersion() {
  static std::atomic<unsigned long> version{kTavrinHostVersion};
  return version;
}

}  // namespace

bool CheckDllVersion(unsigned long version, const char* /*file*/, const char* /*date*/) {
  return version == GetHostVersion();
}

unsigned long GetHostVersion() {
  return HostVersion().load();
}

void SetHostVersion(unsigned long version) {
  HostVersion().store(version);
}
