// The control device of a Zq sonar: turns the requests that writers put into its "Request" child map
// into Zq records for the sonar, and keeps the requested values as its attributes.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "frame/Subscription.h"
#include "platform/afx/CString.h"
#include "platform/zq/KavoDevice.h"

class FileObject;

// How the generic value request reads a value and sends it.
enum PARMTYPE {
  PARM_INT = 0,        // int, sent as i32
  PARM_DOUBLE = 1,     // double, sent as f32
  PARM_DOUBLE_2D = 2,  // pair of doubles in degrees, sent as two f32 in radians
};

class KavoSonarConfigurationControlDevice : public KavoDevice {
 public:
  KavoSonarConfigurationControlDevice();
  ~KavoSonarConfigurationControlDevice() override;

  bool DoOutput(long mode) override;
  // Every key that some request operation takes from "Request" (control/RequestKeys.h).
  std::span<const char* const> GetRequestKeys() const override;
  // Loads stored attributes, then drops every pending request: none survives from a stored configuration.
  bool LoadAttribs(CString name, FileObject* file) override;
  // Runs the request operations, in the fixed order of the dispatch table, under the attribute lock:
  // those whose keys wait in "Request" (the others would find nothing to do).
  void ApplyAttribs(bool flag) override;

 private:
  static inline const CString kRequestKey = "Request";

  // The pending requests of the pass under way: the "Request" child map of the attributes, or null
  // when there is none. Looked up once a pass: adding and removing the attributes' entries moves no
  // child map.
  CAttributeMap* FetchRequest() const { return request_; }

  // The generic requests.
  void RequestValue(int id, const char* key, PARMTYPE type);
  void RequestOnOff(int onId, int offId, const char* key);

  // A setting that a record carries as a single-precision number, converted from its attribute.
  struct FloatSetting {
    const char* key;
    float (*toRecord)(double);
  };
  // The shape of the requests whose record is a row of such settings: when "Request" has any of them,
  // each is resolved (from "Request", then from the stored attributes); once all are known, remote
  // control id carries them in order, the requests are consumed and the values stored as resolved. A
  // setting known nowhere makes the whole request wait.
  void RequestFloatSettings(unsigned long id, std::initializer_list<FloatSetting> settings);
  // The shape of the requests for a mode number that the sonar takes in fewer bits than an int: read
  // from "Request" only (a value that cannot be read waits there), its low valueBytes bytes sent at
  // the start of payloadSize zero bytes, consumed and stored as requested. Returns whether it was sent.
  bool RequestModeNumber(unsigned long id, const char* key, std::size_t valueBytes, std::size_t payloadSize);

  // Transmit and receive settings.
  void RequestFrequencyFM();
  void RequestFrequencyCW();
  void RequestProjectorBeamWidths();
  void RequestGainMode();
  void RequestPulseType();

  // Bottom-detection gates.
  void RequestAbsoluteGates();
  void RequestAdaptiveGates();
  void RequestGateEnableFlags();

  // Beam geometry and coverage.
  void RequestBeamMode();
  void RequestResetCoverage();
  void RequestCoverageSector();
  void RequestCoverageMode();
  void RequestFlexModeParams();

  // Timing signals.
  void RequestPPSEdge();
  void RequestTriggerOutput();
  void RequestTriggerInput();

  // Motion sensor and sound velocity.
  void RequestMotionSensorConfiguration();
  void RequestMotionCompensation();
  void RequestManualSoundVelocity();

  // Recording, and the host's logging notifications that recording can follow.
  void StartLogging();
  void StopLogging();
  void RequestSyncDataRecording();
  void RequestRDRFiltering();
  void RequestRDRRecordingDirectory();
  // A recording file name from the local time now, "%Y%m%d_%H%M%S_ORV"; empty when it cannot be made.
  CString CreateZQRecordFilename() const;
  // Sends start recording (1200) with a file name (cut to 255 characters); an empty name lets the
  // sonar choose one.
  void SendStartRecording(const CString& fileName);

  // System, installation and dual-head.
  void RequestCalibrationControl();
  void RequestSystemMode();
  void RequestNewProjector();
  void RequestLoadFactoryParams();
  void RequestDisconnectSlave();
  void RequestConnectSlave();
  void UpdateSonarInstallationIdentifiers();

  // Building and sending records. The senders return false, sending nothing, when the port is no
  // sonar socket or the socket knows no device identifier for the target's device enum; deviceEnum
  // -1 means this device's own.
  CString BuildRemoteControlRecord(unsigned long id, const void* data, unsigned long length, int deviceId,
                                   int deviceEnum) const;
  bool SendRemoteControlRecord(unsigned long id, const void* data, unsigned long length, int deviceEnum);
  bool Send76xxRecord(unsigned long recordType, float value);
  bool SendRecord(unsigned long recordType, const void* data, unsigned long length);
  bool SingleRecordRequest(unsigned long recordType, int deviceEnum);
  // The device identifier for deviceEnum on this device's sonar socket; 0 when there is none.
  unsigned ResolveDeviceId(int deviceEnum) const;

  // Declared start first, so that destruction ends the stop subscription first.
  Subscription startLoggingSubscription_;
  Subscription stopLoggingSubscription_;
  // Written on the notification thread, read by request operations under the attribute lock.
  std::atomic<bool> loggingActive_;
  // Set for the time of a pass, under the attribute lock.
  CAttributeMap* request_ = nullptr;
};
