// Loading stored attributes and announcing applied ones.
#include "tavrin/BaseDevice.h"

#include <mutex>

#include "tavrin/AttributeMapJson.h"
#include "tavrin/FileObject.h"
#include "tavrin/SubscriptionManager.h"

bool BaseDevice::DoOutput(long /*mode*/) {
  return false;
}

bool BaseDevice::LoadAttribs(CString name, FileObject* file) {
  if (file == nullptr) return false;
  CAttributeMap stored;
  if (!ReadAttributeMapJson(file->Text(), stored).ok) return false;
  {
    std::lock_guard lock(lock_);
    attributes_ = std::move(stored);
  }
  if (!name.IsEmpty()) name_ = std::move(name);
  return true;
}

void BaseDevice::ApplyAttribs(bool notify) {
  if (notify) SubscriptionManager::Instance().Publish(NotificationKind::kDeviceKey, dataId_.GetKey());
}
