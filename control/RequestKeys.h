// The keys that the control device's request operations take from its "Request" child map, each
// written once, here: the operations read their keys by these names, and the same rows make the list
// of every key the device takes, which the host checks a request against before it stores it (a key
// that no operation takes would wait in "Request" for ever).
#pragma once

#include <array>

// One row a key, in dispatch order: the name the operations use, and the key.
#define KAVO_REQUEST_KEYS(KEY)                               \
  KEY(kCalibrationControlKey, "ZqCalibrationControl")        \
  KEY(kCalibrationCommandKey, "ZqCalibrationCommand")        \
  KEY(kAbsorptionKey, "ZqAbsorption")                        \
  KEY(kSpreadingLossKey, "ZqSpreadingLoss")                  \
  KEY(kRangeKey, "ZqRange")                                  \
  KEY(kMaxPingRateKey, "ZqMaxPingRate")                      \
  KEY(kPowerKey, "ZqPower")                                  \
  KEY(kPulseLengthKey, "ZqPulseLength")                      \
  KEY(kGainKey, "ZqGain")                                    \
  KEY(kBeamSteerKey, "ZqBeamSteer")                          \
  KEY(kPingOnOffStateKey, "ZqPingOnOffState")                \
  KEY(kDataRecordingKey, "ZqDataRecording")                  \
  KEY(kSyncKey, "SyncDataRecording")                         \
  KEY(kDeviceEnumKey, "DeviceEnum")                          \
  KEY(kSoundVelocityKey, "ZqSoundVelocity")                  \
  KEY(kSoundVelocityOverrideKey, "ZqSoundVelocityOverride")  \
  KEY(kSoundVelocityFilterKey, "ZqSoundVelocityFilter")      \
  KEY(kBeamModeKey, "ZqBeamModeSelection")                   \
  KEY(kResetCoverageKey, "ZqResetCoverage")                  \
  KEY(kCoverageAngleKey, "ZqCoverageAngle")                  \
  KEY(kRxSteeringKey, "ZqRxSteeringAngle")                   \
  KEY(kCoverageModeKey, "ZqCoverageMode")                    \
  KEY(kFlexCoverageKey, "ZqFlexSectorCoverage")              \
  KEY(kFlexSteeringKey, "ZqFlexSectorSteering")              \
  KEY(kFlexSpacingKey, "ZqFlexOutsideSpacing")               \
  KEY(kPulseTypeKey, "ZqPulseType")                          \
  KEY(kMinRangeGateKey, "ZqMinRangeGate")                    \
  KEY(kMaxRangeGateKey, "ZqMaxRangeGate")                    \
  KEY(kMinDepthGateKey, "ZqMinDepthGate")                    \
  KEY(kMaxDepthGateKey, "ZqMaxDepthGate")                    \
  KEY(kDepthGateTiltKey, "ZqDepthGateTilt")                  \
  KEY(kSearchMinKey, "ZqAGSearchMin")                        \
  KEY(kSearchMaxKey, "ZqAGSearchMax")                        \
  KEY(kWindowSizeKey, "ZqAGWindowSize")                      \
  KEY(kAdaptiveGateKey, "ZqAdaptiveGateEnabled")             \
  KEY(kAdaptiveGateDepthFilterKey, "ZqAGDepthFilterEnabled") \
  KEY(kDepthFilterKey, "ZqDepthFilterEnabled")               \
  KEY(kRangeFilterKey, "ZqRangeFilterEnabled")               \
  KEY(kSystemModeKey, "ZqSystemMode")                        \
  KEY(kFilterListKey, "ZqRDRFilterList")                     \
  KEY(kDirectoryKey, "ZqDirectoryName")                      \
  KEY(kCompensationRollKey, "ZqMotionCompensationRoll")      \
  KEY(kCompensationPitchKey, "ZqMotionCompensationPitch")    \
  KEY(kSensorFormatKey, "ZqMotionSensorFormat")              \
  KEY(kSensorBaudrateKey, "ZqMotionSensorBaudrate")          \
  KEY(kSensorParityKey, "ZqMotionSensorParity")              \
  KEY(kSensorDataBitsKey, "ZqMotionSensorDataBits")          \
  KEY(kSensorStopBitsKey, "ZqMotionSensorStopBits")          \
  KEY(kSensorOrientationKey, "ZqMotionSensorOrientation")    \
  KEY(kSensorLatencyKey, "ZqMotionSensorLatency")            \
  KEY(kLoadFactoryKey, "ZqLoadFactoryParameters")            \
  KEY(kDisconnectKey, "ZqDualHeadDisconnect")                \
  KEY(kConnectKey, "ZqDualHeadConnect")                      \
  KEY(kSlaveAddressKey, "ZqDualHeadSlaveIp")                 \
  KEY(kGainModeKey, "ZqGainMode")                            \
  KEY(kBeamWidthXKey, "ZqBeamWidthX")                        \
  KEY(kBeamWidthZKey, "ZqBeamWidthZ")                        \
  KEY(kCwFrequencyKey, "ZqCWFrequency")                      \
  KEY(kPpsEdgeKey, "ZqPpsEdge")                              \
  KEY(kTriggerInputEdgeKey, "ZqTriggerInputEdge")            \
  KEY(kTriggerOutputKey, "ZqTriggerOutput")                  \
  KEY(kTriggerOutputDelayKey, "ZqTriggerOutputDelay")        \
  KEY(kTriggerOutputPulseKey, "ZqTriggerOutputPulse")        \
  KEY(kTriggerInputKey, "ZqTriggerInput")                    \
  KEY(kFmStartKey, "ZqFMFrequencyStart")                     \
  KEY(kFmStopKey, "ZqFMFrequencyStop")                       \
  KEY(kInstallationKey, "ZqMBesXYZInfo")

namespace request_keys {

#define KAVO_REQUEST_KEY_NAME(name, key) inline constexpr const char* name = key;
KAVO_REQUEST_KEYS(KAVO_REQUEST_KEY_NAME)
#undef KAVO_REQUEST_KEY_NAME

#define KAVO_REQUEST_KEY_ENTRY(name, key) name,
// Every key that some request operation takes from "Request".
inline constexpr std::array kAll = {KAVO_REQUEST_KEYS(KAVO_REQUEST_KEY_ENTRY)};
#undef KAVO_REQUEST_KEY_ENTRY

}  // namespace request_keys
