// Base of the devices that drive a Zq sonar head: its own device enum, the tracking number that every
// remote-control record it builds carries, and the reading of the records its head sends.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/Device.h"

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

  // A whole, checked record from this device's head. Settings (7000, 7503) become attributes and the
  // settings data block and mark the device's data as arrived, then the device's key is notified of
  // the attributes; only ping settings (7000), which end a ping, also notify the data subscribers of
  // the block. A configuration (7003) becomes attributes, notified likewise, and joins the BITE
  // results and events (7021, 7050, 7051) in the sonar record store. Other records, and anything
  // shorter than a frame header and trailer, change nothing.
  void ProcessMessage(char* data, int length) override;

  // What the host hears of each settings record (7000 or 7503) the device reads, on the thread that
  // hands the record in, after the settings became attributes: the attributes that record carries.
  using SettingsReport = std::function<void(const CAttributeMap& reported)>;
  // Null stops the reports; once it returns, the previous report is not called any more.
  void SetSettingsReport(SettingsReport report);

 private:
  int zqDeviceEnum_ = 0;
  std::mutex reportMutex_;  // held while the report is called or replaced
  SettingsReport settingsReport_;
  std::uint64_t trackingNumber_;
};
