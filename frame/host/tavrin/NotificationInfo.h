// What a notification carries to its subscribers: its kind and key. Kinds with a payload derive from it.
#pragma once

#include "afx/CString.h"

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

 private:
  int kind_;
  CString key_;
};

// Receives notifications; called on the host's notification thread.
class Subscriber {
 public:
  virtual ~Subscriber() = default;
  virtual void Notify(const NotificationInfo* info) = 0;
};
