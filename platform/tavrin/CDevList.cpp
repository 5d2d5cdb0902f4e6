// Registering device types and making devices by type name.
#include "platform/tavrin/CDevList.h"

CDevList& CDevList::GetDevList() {
  static CDevList list;
  return list;
}

bool CDevList::RegisterDev(const CString& name, DevICreator* creator) {
  std::unique_ptr<DevICreator> owned(creator);
  if (!owned) return false;
  std::lock_guard lock(mutex_);
  return creators_.try_emplace(name, std::move(owned)).second;
}

bool CDevList::UnRegisterDev(const CString& name) {
  std::unique_ptr<DevICreator> removed;  // deleted after the lock is released
  std::lock_guard lock(mutex_);
  const auto found = creators_.find(name);
  if (found == creators_.end()) return false;
  removed = std::move(found->second);
  creators_.erase(found);
  return true;
}

bool CDevList::IsRegistered(const CString& name) const {
  std::lock_guard lock(mutex_);
  return creators_.contains(name);
}

// The creator runs under the lock, so that it cannot be unregistered while it makes a device.
std::unique_ptr<Device> CDevList::CreateDevice(const CString& name) const {
  std::lock_guard lock(mutex_);
  const auto found = creators_.find(name);
  if (found == creators_.end()) return nullptr;
  return std::unique_ptr<Device>(found->second->Create());
}
