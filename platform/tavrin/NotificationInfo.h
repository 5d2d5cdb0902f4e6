// What a notification carries to its subscribers: its kind and key. Kinds with a payload derive from it.
#pragma once

#include <chrono>
#include <utility>

#include "platform/afx/CString.h"
#include "platform/tavrin/CDataId.h"

// Subscription kinds of the host.
namespace NotificationKind {
inline constexpr int kActiveVessel = 2;  // the active vessel changed
inline constexpr int kDataBuffer = 4;    // the data buffer of a data identifier's key
inline constexpr int kNewData = 5;       // new data in a data id's buffer; key = the data id's key
inline constexpr int kDeviceKey = 6;     // a device's attributes changed; key = the device's data id key
inline constexpr int kNamed = 7;         // named general notifications such as "$TavrinloggerStartLogging$"
}  // namespace NotificationKind

class NotificationInfo {
 public:
  NotificationInfo(int kind, CString key) : kind_(kind), key_(std::move(key)) {}
  virtual ~NotificationInfo() = default;

  int GetKind() const { return kind_; }
  const CString& GetKey() const { return key_; }
  // When the notification was made, which is when what it tells of happened (new data: when the
  // record that brought it had been decoded), however long the notification thread took to deliver it.
  std::chrono::steady_clock::time_point GetTime() const { return time_; }

 private:
  int kind_;
  CString key_;
  std::chrono::steady_clock::time_point time_ = std::chrono::steady_clock::now();
};

// A notification about a data identifier: new data in its buffer, a change of its buffer status, or
// the sonar the operator selected.
class DataId_NI : public NotificationInfo {
 public:
  DataId_NI(int kind, CString key, const CDataId& id) : NotificationInfo(kind, std::move(key)), id_(id) {}
  const CDataId& GetDataId() const { return id_; }

 private:
  CDataId id_;
};

// A notification that carries one value, such as the number of the vessel that became active.
template <typename T>
class NFDataT : public NotificationInfo {
 public:
  NFDataT(int kind, CString key, T data) : NotificationInfo(kind, std::move(key)), data_(std::move(data)) {}
  const T& GetData() const { return data_; }

 private:
  T data_;
};

// Keys of the host's selection notifications.
namespace GeneralSubKeys {
// Named notification (kind 7) with a DataId_NI naming the sonar the operator selected.
inline constexpr const char* ADT_SELECTED_SONAR_CHANGE = "$SelectedSonarChange$";
}  // namespace GeneralSubKeys
namespace sel_change {
// Active-vessel notification (kind 2) with an NFDataT<unsigned short> holding the vessel number.
inline constexpr const char* ACTIVE_VESSEL = "$ActiveVesselChange$";
}  // namespace sel_change

// Receives notifications; called on the host's notification thread.
class Subscriber {
 public:
  virtual ~Subscriber() = default;
  virtual void Notify(const NotificationInfo* info) = 0;
};
