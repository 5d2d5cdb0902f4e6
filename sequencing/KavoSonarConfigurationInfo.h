// The ping sequencer: finds the sonars that ping in sequence (sonar devices with a non-zero
// "PingMode"), follows their settings data and buffer status, and hands each sonar, on its first
// settings data, to the trigger thread of its sonar group after switching the sonar to pinging on
// trigger. Later settings data set the guard time that follows the sonar's release: the two-way
// travel time of its range at the sound velocity, times its "Overhead" percentage.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/tavrin/CDataBlock.h"
#include "platform/tavrin/CDataId.h"

class BaseDataSource;
class DataSubscription;
class NotificationInfo;
class Subscription;
class TimerThread;

// One sonar that pings in sequence.
struct SonarEntry {
  std::int32_t sonarGroupId = 0;
  CDataId dataId;
  DataSubscription* dataSubscription = nullptr;  // owned; ended by ClearList
  Subscription* statusSubscription = nullptr;    // owned; ended by ClearList
  double overhead = 0.0;                         // percent
  std::int32_t deviceId = 0;
  std::int32_t deviceEnum = 0;
  CString triggerRecord;  // remote control 1107, built once
};

class KavoSonarConfigurationInfo {
 public:
  static KavoSonarConfigurationInfo& Instance();

  virtual ~KavoSonarConfigurationInfo();
  KavoSonarConfigurationInfo(const KavoSonarConfigurationInfo&) = delete;
  KavoSonarConfigurationInfo& operator=(const KavoSonarConfigurationInfo&) = delete;

  // Forgets what it followed, then finds the sonars that ping in sequence on every vessel and
  // subscribes to their settings data and buffer status.
  void Init();
  // Ends every subscription and stops and joins every trigger thread.
  void Exit();

  void OnNewSonarSettingsData(const NotificationInfo* info);
  void OnBufferStatusChange(const NotificationInfo* info);

 protected:
  KavoSonarConfigurationInfo() = default;

 private:
  void GetAttributes();
  void ClearList();
  // A remote-control record (type 7500) with id as remote-control ID and ticket, addressed to the
  // head (deviceId, deviceEnum), without tracking number.
  CString BuildRemoteControlRecord(unsigned long id, const unsigned char* data, unsigned long length,
                                   int deviceId, int deviceEnum);

  std::vector<SonarEntry> sonars_;
  std::vector<TimerThread*> timers_;  // owned, one per sonar group
  BaseDataSource* dataBuffer_ = nullptr;
  CDataBlock dataBlock_;
};
