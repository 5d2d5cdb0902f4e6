// The keys that the control device's request operations take from its "Request" child map, each
// written once, here: the operations read their keys by these names, and the same rows make the list
// of every key the device takes, which the host checks a request against before it stores it (a key
// that no operation takes would wait in "Request" for ever).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>

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

namespace detail {
// Shorter keys first, keys of one length in text order: most steps of a search are decided by the
// length alone.
constexpr bool ShorterOrBefore(std::string_view a, std::string_view b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}
// The keys in that order, each with its place in kAll, for a binary search.
constexpr auto SortedKeys() {
  std::array<std::pair<std::string_view, std::size_t>, kAll.size()> sorted{};
  for (std::size_t i = 0; i < kAll.size(); ++i) sorted[i] = {kAll[i], i};
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& x, const auto& y) { return ShorterOrBefore(x.first, y.first); });
  return sorted;
}
inline constexpr auto kSorted = SortedKeys();
}  // namespace detail

// The place of key in kAll, found without building a string; kAll.size() when it is none of them.
constexpr std::size_t IndexOf(std::string_view key) {
  const auto* found = std::lower_bound(detail::kSorted.begin(), detail::kSorted.end(), key,
                                       [](const auto& entry, std::string_view wanted) {
                                         return detail::ShorterOrBefore(entry.first, wanted);
                                       });
  return found != detail::kSorted.end() && found->first == key ? found->second : kAll.size();
}

// A set of request keys, one bit a key by its place in kAll.
class KeySet {
 public:
  constexpr KeySet() = default;
  constexpr KeySet(std::initializer_list<const char*> keys) {
    for (const char* key : keys) Add(IndexOf(key));
  }

  // Adds the key at place index of kAll; a place beyond kAll adds nothing.
  constexpr void Add(std::size_t index) {
    if (index < kAll.size()) words_[index / kWordBits] |= std::uint64_t{1} << (index % kWordBits);
  }
  constexpr bool Has(std::size_t index) const {
    return index < kAll.size() &&
           (words_[index / kWordBits] & (std::uint64_t{1} << (index % kWordBits))) != 0;
  }
  constexpr KeySet& operator|=(const KeySet& other) {
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] |= other.words_[i];
    return *this;
  }
  constexpr std::size_t Count() const {
    std::size_t count = 0;
    for (std::size_t i = 0; i < kAll.size(); ++i) count += Has(i) ? 1 : 0;
    return count;
  }

 private:
  static constexpr std::size_t kWordBits = 64;
  std::array<std::uint64_t, (kAll.size() + kWordBits - 1) / kWordBits> words_{};
};

}  // namespace request_keys
