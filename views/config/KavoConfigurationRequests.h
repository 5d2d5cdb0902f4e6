// What the configuration view offers its pages: the bound device's attributes, and change requests
// that go to the device as its "Request" map.
#pragma once

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/CDataId.h"

class KavoConfigurationRequests {
 public:
  virtual ~KavoConfigurationRequests() = default;

  // The device the view is bound to; its data group names the group of the device's data items.
  virtual CDataId GetBoundDeviceId() const = 0;
  // The view's copy of the bound device's attribute map.
  virtual const CAttributeMap& GetDeviceAttributes() const = 0;
  virtual void SendRequest(const char* key, int value) = 0;
  virtual void SendRequest(const char* key, bool value) = 0;
  virtual void SendRequest(const char* key, double value) = 0;
  virtual void SendRequest(const char* key, double first, double second) = 0;
  // One request holding the sound velocity (m/s) and whether it overrides the sensor.
  virtual void SendSoundVelocity(double metresPerSecond, bool override) = 0;
};
