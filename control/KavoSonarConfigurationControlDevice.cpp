// Lifecycle of the control device and the dispatch of its request operations.
#include "control/KavoSonarConfigurationControlDevice.h"

#include <mutex>

#include "frame/MemFunNoInfoSubscriber.h"
#include "tavrin/NotificationInfo.h"

namespace {
const CString kStartLoggingNotification = "$TavrinloggerStartLogging$";
const CString kStopLoggingNotification = "$TavrinloggerStopLogging$";
}  // namespace

KavoSonarConfigurationControlDevice::KavoSonarConfigurationControlDevice()
    : startLoggingSubscription_(NotificationKind::kNamed),
      stopLoggingSubscription_(NotificationKind::kNamed),
      loggingActive_(false) {
  using Self = KavoSonarConfigurationControlDevice;
  startLoggingSubscription_.SetSubscriber(new MemFunNoInfoSubscriber<Self>(this, &Self::StartLogging), true);
  startLoggingSubscription_.Subscribe(kStartLoggingNotification);
  stopLoggingSubscription_.SetSubscriber(new MemFunNoInfoSubscriber<Self>(this, &Self::StopLogging), true);
  stopLoggingSubscription_.Subscribe(kStopLoggingNotification);
}

KavoSonarConfigurationControlDevice::~KavoSonarConfigurationControlDevice() {
  // No logging notification may reach the device once its destruction has begun.
  stopLoggingSubscription_.Unsubscribe();
  startLoggingSubscription_.Unsubscribe();
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
      [](Self& d) { d.RequestValue(7611, "ZqAbsorption", PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(7612, "ZqSpreadingLoss", PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1003, "ZqRange", PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1004, "ZqMaxPingRate", PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1005, "ZqPower", PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1006, "ZqPulseLength", PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1008, "ZqGain", PARM_DOUBLE); },
      [](Self& d) { d.RequestValue(1021, "ZqBeamSteer", PARM_DOUBLE_2D); },
      [](Self& d) { d.RequestOnOff(1100, 1101, "ZqPingOnOffState"); },
      [](Self& d) { d.RequestOnOff(1200, 1201, "ZqDataRecording"); },
  };

  // A lock that cannot be taken does not stop the pass; it is then not released either.
  const bool locked = GetAttribLock().Lock();
  for (const auto step : kDispatchTable) step(*this);
  KavoDevice::ApplyAttribs(flag);
  if (locked) GetAttribLock().Unlock();
}

void KavoSonarConfigurationControlDevice::StartLogging() {
  loggingActive_.store(true);
}

void KavoSonarConfigurationControlDevice::StopLogging() {
  loggingActive_.store(false);
}
