// Base of the devices that drive a Zq sonar head: its own device enum, and the tracking number that
// every remote-control record it builds carries.
#pragma once

#include <cstdint>

#include "tavrin/Device.h"

class KavoDevice : public Device {
 public:
  KavoDevice();
  ~KavoDevice() override = default;

  // The Zq device enum of the sonar head this device drives (given by the host from its configuration).
  int GetZqDeviceEnum() const { return zqDeviceEnum_; }
  void SetZqDeviceEnum(int deviceEnum) { zqDeviceEnum_ = deviceEnum; }

  // A number unique to this device within the process, so that the sonar's answers to remote
  // controls can be traced to the device that sent them.
  std::uint64_t GetTrackingNumber() const { return trackingNumber_; }
  void SetTrackingNumber(std::uint64_t number) { trackingNumber_ = number; }

 private:
  int zqDeviceEnum_ = 0;
  std::uint64_t trackingNumber_;
};
