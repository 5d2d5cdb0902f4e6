// Loading stored attributes and announcing applied ones.
#include "platform/tavrin/BaseDevice.h"

#include <mutex>

#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/FileObject.h"
#include "platform/tavrin/SubscriptionManager.h"

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
