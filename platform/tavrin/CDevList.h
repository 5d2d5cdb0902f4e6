// The host's device list: the device types that modules registered, by name, and the creators that
// make their devices.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/afx/CString.h"
#include "platform/tavrin/DevICreator.h"
#include "platform/tavrin/Device.h"

class CDevList {
 public:
  static CDevList& GetDevList();

  CDevList(const CDevList&) = delete;
  CDevList& operator=(const CDevList&) = delete;

  // Takes creator and registers it under name. False (creator deleted) when creator is null or the
  // name is taken: the first registration stays.
  bool RegisterDev(const CString& name, DevICreator* creator);
  // Deletes the creator registered under name. False when there is none.
  bool UnRegisterDev(const CString& name);
  bool IsRegistered(const CString& name) const;

  // A new device of the type registered under name; null when no type has that name.
  std::unique_ptr<Device> CreateDevice(const CString& name) const;

 private:
  CDevList() = default;

  mutable std::mutex mutex_;
  std::map<CString, std::unique_ptr<DevICreator>> creators_;
};
