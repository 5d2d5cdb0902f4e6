// What the host's device list keeps for each device type: something that makes a new device.
#pragma once

class Device;

class DevICreator {
 public:
  DevICreator() = default;
  DevICreator(const DevICreator&) = delete;
  DevICreator& operator=(const DevICreator&) = delete;
  virtual ~DevICreator() = default;

  // A new device, owned by the caller.
  virtual Device* Create() = 0;
};
