// Lifecycle of the control device and the dispatch of its request operations.
#include "control/KavoSonarConfigurationControlDevice.h"

#include <mutex>

#include "control/RequestKeys.h"
#include "frame/MemFunNoInfoSubscriber.h"
#include "platform/tavrin/HostLogging.h"
#include "platform/tavrin/NotificationInfo.h"

using namespace request_keys;

KavoSonarConfigurationControlDevice::KavoSonarConfigurationControlDevice()
    : startLoggingSubscription_(NotificationKind::kNamed),
      stopLoggingSubscription_(NotificationKind::kNamed),
      loggingActive_(false) {
  using Self = KavoSonarConfigurationControlDevice;
  startLoggingSubscription_.SetSubscriber(new MemFunNoInfoSubscriber<Self>(this, &Self::StartLogging), true);
  startLoggingSubscription_.Subscribe(HostLogging::kStartedNotification);
  stopLoggingSubscription_.SetSubscriber(new MemFunNoInfoSubscriber<Self>(this, &Self::StopLogging), true);
  stopLoggingSubscription_.Subscribe(HostLogging::kStoppedNotification);
}

KavoSonarConfigurationControlDevice::~KavoSonarConfigurationControlDevice() {
  // No logging notification may reach the device once its destruction has begun.
  stopLoggingSubscription_.Unsubscribe();
  startLoggingSubscription_.Unsubscribe();
}

std::span<const char* const> KavoSonarConfigurationControlDevice::GetRequestKeys() const {
  return request_keys::kAll;
}

bool KavoSonarConfigurationControlDevice::DoOutput(long mode) {
  return KavoDevice::DoOutput(mode);
}

bool KavoSonarConfigurationControlDevice::LoadAttribs(CString name, FileObject* file) {
  if (!KavoDevice::LoadAttribs(std::move(name), file)) return false;
  std::lock_guard lock(GetAttribLock());
  GetAttributes().Remove(kRequestKey);
  return true;
}

void KavoSonarConfigurationControlDevice::ApplyAttribs(bool flag) {
  using Self = KavoSonarConfigurationControlDevice;
  // The request operations in the order they run. Order matters where one request feeds another.
  static constexpr void (*kDispatchTable[])(Self&) = {
      [](Self& d) { d.RequestCalibrationControl(); },
      [](Self& d) { d.RequestValue(7611, kAbsorptionKey, PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(7612, kSpreadingLossKey, PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1003, kRangeKey, PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1004, kMaxPingRateKey, PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1005, kPowerKey, PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1006, kPulseLengthKey, PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1008, kGainKey, PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1021, kBeamSteerKey, PARM_DOUBLE_2D); },
      [](Self& d) { d.RequestOnOff(1100, 1101, kPingOnOffStateKey); },
      [](Self& d) { d.RequestOnOff(1200, 1201, kDataRecordingKey); },
      [](Self& d) { d.RequestSyncDataRecording(); },
      [](Self& d) { d.RequestNewProjector(); },
      [](Self& d) { d.RequestManualSoundVelocity(); },
      [](Self& d) { d.RequestBeamMode(); },
      [](Self& d) { d.RequestResetCoverage(); },  // writes requests that the next steps send in this pass
      [](Self& d) { d.RequestCoverageSector(); },
      [](Self& d) { d.RequestCoverageMode(); },
      [](Self& d) { d.RequestFlexModeParams(); },
      [](Self& d) { d.RequestPulseType(); },
      [](Self& d) { d.RequestAbsoluteGates(); },
      [](Self& d) { d.RequestAdaptiveGates(); },
      [](Self& d) { d.RequestGateEnableFlags(); },
      [](Self& d) { d.RequestSystemMode(); },
      [](Self& d) { d.RequestRDRFiltering(); },
      [](Self& d) { d.RequestRDRRecordingDirectory(); },
      [](Self& d) { d.RequestMotionCompensation(); },
      [](Self& d) { d.RequestMotionSensorConfiguration(); },
      [](Self& d) { d.RequestLoadFactoryParams(); },
      [](Self& d) { d.RequestDisconnectSlave(); },  // a disconnect goes out before a connect
      [](Self& d) { d.RequestConnectSlave(); },
      [](Self& d) { d.RequestGainMode(); },
      [](Self& d) { d.RequestProjectorBeamWidths(); },
      [](Self& d) { d.RequestFrequencyCW(); },
      [](Self& d) { d.RequestPPSEdge(); },
      [](Self& d) { d.RequestTriggerOutput(); },
      [](Self& d) { d.RequestTriggerInput(); },
      [](Self& d) { d.RequestFrequencyFM(); },
      [](Self& d) { d.UpdateSonarInstallationIdentifiers(); },
  };

  // A lock that cannot be taken does not stop the pass; it is then not released either.
  const bool locked = GetAttribLock().Lock();
  for (const auto step : kDispatchTable) step(*this);
  KavoDevice::ApplyAttribs(flag);
  if (locked) GetAttribLock().Unlock();
}
