// Sending through the device's port and locked attribute reads.
#include "tavrin/Device.h"

#include <mutex>

#include "tavrin/BaseIOHandler.h"

bool Device::DoOutput(long /*mode*/) {
  return port_ != nullptr && port_->Flush();
}

bool Device::SendMessage(const CString& record, bool /*flag*/) {
  if (port_ == nullptr) return false;
  return port_->Send(record);
}

template <typename T>
bool Device::ReadAttribute(const CString& key, T& value, unsigned& flags) const {
  std::lock_guard lock(GetAttribLock());
  return GetAttributes().GetAttribValue(key, value, flags);
}

bool Device::GetAttribValue(const CString& key, bool& value, unsigned& flags) const {
  return ReadAttribute(key, value, flags);
}

bool Device::GetAttribValue(const CString& key, int& value, unsigned& flags) const {
  return ReadAttribute(key, value, flags);
}

bool Device::GetAttribValue(const CString& key, double& value, unsigned& flags) const {
  return ReadAttribute(key, value, flags);
}
