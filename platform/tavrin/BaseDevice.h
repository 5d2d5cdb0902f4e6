// Base of every host device: its data identifier, name, attribute map with its lock, and the
// operations the host calls when attributes are loaded or applied.
#pragma once

#include <span>

#include "platform/afx/CString.h"
#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/CDataId.h"
#include "platform/tavrin/Locker.h"

class FileObject;

class BaseDevice {
 public:
  BaseDevice() = default;
  BaseDevice(const BaseDevice&) = delete;
  BaseDevice& operator=(const BaseDevice&) = delete;
  virtual ~BaseDevice() = default;

  // The host's output call. A base device has no output.
  virtual bool DoOutput(long mode);
  // Replaces the attribute map with the stored map in file; name, when not empty, becomes the
  // device's name. False (the map unchanged) when there is no file or it holds no valid map.
  virtual bool LoadAttribs(CString name, FileObject* file);
  // Called by the host after attributes were applied to the device. With notify, the device's key
  // is published (kind 6) so that whoever shows the device re-reads its attributes.
  virtual void ApplyAttribs(bool notify);
  // The keys that the device's ApplyAttribs takes from the "Request" child map of its attributes, so
  // that the host can refuse a request for any other key, which would wait there unapplied for ever.
  // A base device takes none.
  virtual std::span<const char* const> GetRequestKeys() const { return {}; }

  const CDataId& GetDataId() const { return dataId_; }
  void SetDataId(const CDataId& id) { dataId_ = id; }
  const CString& GetDeviceName() const { return name_; }
  void SetDeviceName(const CString& name) { name_ = name; }

  // The attribute map; read or change it only while holding GetAttribLock().
  CAttributeMap& GetAttributes() { return attributes_; }
  const CAttributeMap& GetAttributes() const { return attributes_; }
  Locker& GetAttribLock() const { return lock_; }

 private:
  CDataId dataId_;
  CString name_;
  CAttributeMap attributes_;
  mutable Locker lock_;
};
