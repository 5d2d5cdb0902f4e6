// Lifecycle of the control device and the dispatch of its request operations.
#include "control/KavoSonarConfigurationControlDevice.h"

#include <array>
#include <bit>
#include <cstdint>
#include <iterator>
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
  // A request operation, and the keys whose presence in "Request" gives it work: one that finds none
  // of them there does nothing.
  struct Step {
    void (*run)(Self&);
    KeySet keys;
  };
  // The request operations in the order they run. Order matters where one request feeds another.
  static constexpr Step kDispatchTable[] = {
      {[](Self& d) { d.RequestCalibrationControl(); }, {kCalibrationControlKey, kCalibrationCommandKey}},
      {[](Self& d) { d.RequestValue(7611, kAbsorptionKey, PARM_DOUBLE); }, {kAbsorptionKey}},
      {[](Self& d) { d.RequestValue(7612, kSpreadingLossKey, PARM_DOUBLE); }, {kSpreadingLossKey}},
      {[](Self& d) { d.RequestValue(1003, kRangeKey, PARM_DOUBLE); }, {kRangeKey}},
      {[](Self& d) { d.RequestValue(1004, kMaxPingRateKey, PARM_DOUBLE); }, {kMaxPingRateKey}},
      {[](Self& d) { d.RequestValue(1005, kPowerKey, PARM_DOUBLE); }, {kPowerKey}},
      {[](Self& d) { d.RequestValue(1006, kPulseLengthKey, PARM_DOUBLE); }, {kPulseLengthKey}},
      {[](Self& d) { d.RequestValue(1008, kGainKey, PARM_DOUBLE); }, {kGainKey}},
      {[](Self& d) { d.RequestValue(1021, kBeamSteerKey, PARM_DOUBLE_2D); }, {kBeamSteerKey}},
      {[](Self& d) { d.RequestOnOff(1100, 1101, kPingOnOffStateKey); }, {kPingOnOffStateKey}},
      {[](Self& d) { d.RequestOnOff(1200, 1201, kDataRecordingKey); }, {kDataRecordingKey}},
      {[](Self& d) { d.RequestSyncDataRecording(); }, {kSyncKey}},
      {[](Self& d) { d.RequestNewProjector(); }, {kDeviceEnumKey}},
      {[](Self& d) { d.RequestManualSoundVelocity(); },
       {kSoundVelocityKey, kSoundVelocityOverrideKey, kSoundVelocityFilterKey}},
      {[](Self& d) { d.RequestBeamMode(); }, {kBeamModeKey}},
      // Writes requests that the next steps send in this pass.
      {[](Self& d) { d.RequestResetCoverage(); }, {kResetCoverageKey}},
      {[](Self& d) { d.RequestCoverageSector(); }, {kCoverageAngleKey, kRxSteeringKey}},
      {[](Self& d) { d.RequestCoverageMode(); }, {kCoverageModeKey}},
      {[](Self& d) { d.RequestFlexModeParams(); }, {kFlexCoverageKey, kFlexSteeringKey, kFlexSpacingKey}},
      {[](Self& d) { d.RequestPulseType(); }, {kPulseTypeKey}},
      {[](Self& d) { d.RequestAbsoluteGates(); },
       {kMinRangeGateKey, kMaxRangeGateKey, kMinDepthGateKey, kMaxDepthGateKey, kDepthGateTiltKey}},
      {[](Self& d) { d.RequestAdaptiveGates(); }, {kWindowSizeKey, kSearchMinKey, kSearchMaxKey}},
      {[](Self& d) { d.RequestGateEnableFlags(); },
       {kRangeFilterKey, kDepthFilterKey, kAdaptiveGateKey, kAdaptiveGateDepthFilterKey}},
      {[](Self& d) { d.RequestSystemMode(); }, {kSystemModeKey}},
      {[](Self& d) { d.RequestRDRFiltering(); }, {kFilterListKey}},
      {[](Self& d) { d.RequestRDRRecordingDirectory(); }, {kDirectoryKey}},
      {[](Self& d) { d.RequestMotionCompensation(); }, {kCompensationRollKey, kCompensationPitchKey}},
      {[](Self& d) { d.RequestMotionSensorConfiguration(); },
       {kSensorFormatKey, kSensorBaudrateKey, kSensorParityKey, kSensorDataBitsKey, kSensorStopBitsKey,
        kSensorOrientationKey, kSensorLatencyKey}},
      {[](Self& d) { d.RequestLoadFactoryParams(); }, {kLoadFactoryKey}},
      // A disconnect goes out before a connect.
      {[](Self& d) { d.RequestDisconnectSlave(); }, {kDisconnectKey}},
      {[](Self& d) { d.RequestConnectSlave(); }, {kConnectKey, kSlaveAddressKey}},
      {[](Self& d) { d.RequestGainMode(); }, {kGainModeKey}},
      {[](Self& d) { d.RequestProjectorBeamWidths(); }, {kBeamWidthXKey, kBeamWidthZKey}},
      {[](Self& d) { d.RequestFrequencyCW(); }, {kCwFrequencyKey}},
      {[](Self& d) { d.RequestPPSEdge(); }, {kPpsEdgeKey, kTriggerInputEdgeKey}},
      {[](Self& d) { d.RequestTriggerOutput(); },
       {kTriggerOutputKey, kTriggerOutputDelayKey, kTriggerOutputPulseKey}},
      {[](Self& d) { d.RequestTriggerInput(); }, {kTriggerInputKey}},
      {[](Self& d) { d.RequestFrequencyFM(); }, {kFmStartKey, kFmStopKey}},
      {[](Self& d) { d.UpdateSonarInstallationIdentifiers(); }, {kInstallationKey}},
  };
  constexpr std::size_t kSteps = std::size(kDispatchTable);
  static_assert(kSteps < 64, "the steps with work are bits of one word");
  // The step that takes each request key, by the key's place in kAll.
  static constexpr auto kStepOfKey = [] {
    std::array<std::size_t, kAll.size()> stepOf{};
    for (std::size_t step = 0; step < kSteps; ++step) {
      for (std::size_t key = 0; key < kAll.size(); ++key) {
        if (kDispatchTable[step].keys.Has(key)) stepOf[key] = step;
      }
    }
    return stepOf;
  }();
  static_assert(
      [] {
        KeySet taken;
        std::size_t listed = 0;
        for (const Step& step : kDispatchTable) {
          taken |= step.keys;
          listed += step.keys.Count();
        }
        return taken.Count() == kAll.size() && listed == kAll.size();
      }(),
      "every request key is taken by exactly one step of the pass");

  // A lock that cannot be taken does not stop the pass; it is then not released either.
  const bool locked = GetAttribLock().Lock();
  CAttributeMap* const request = GetAttributes().GetAttrMap(kRequestKey);
  request_ = request;
  // The steps that have work, as bits by their place in the table: one walk through "Request" finds
  // them. A step that ran may have taken keys or written new ones for later steps, so the walk is made
  // again after it, for the steps that follow it.
  const auto stepsWithWork = [request] {
    std::uint64_t steps = 0;
    if (request == nullptr) return steps;
    for (const CAttributeMap::Entry& entry : request->Entries()) {
      const std::size_t key = IndexOf(entry.key.View());
      if (key < kAll.size()) steps |= std::uint64_t{1} << kStepOfKey[key];
    }
    return steps;
  };
  for (std::uint64_t due = stepsWithWork(); due != 0;) {
    const int step = std::countr_zero(due);
    kDispatchTable[step].run(*this);
    const std::uint64_t followingSteps = ~((std::uint64_t{2} << step) - 1);
    due = stepsWithWork() & followingSteps;
  }
  request_ = nullptr;
  KavoDevice::ApplyAttribs(flag);
  if (locked) GetAttribLock().Unlock();
}
