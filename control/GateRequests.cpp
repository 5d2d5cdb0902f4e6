// Bottom-detection gates: the fixed range and depth gates with the tilt of the depth gate, the
// adaptive gate's window and search limits, and which filters and gates are switched on. Each record
// carries the whole group of settings, so a request for some of them sends the others as they stand;
// until every one of them is known, nothing is sent and the requests wait.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "control/RequestKeys.h"
#include "control/RequestValues.h"
#include "control/Units.h"
#include "platform/tavrin/LittleEndian.h"

using namespace request_keys;

namespace {

constexpr unsigned long kGateEnableFlagsId = 1009;
constexpr unsigned long kAbsoluteGatesId = 1010;
constexpr unsigned long kAdaptiveGatesId = 1016;

// Adaptive gate: u32 window size, f32 search minimum, f32 search maximum.
constexpr std::size_t kWindowSizeOffset = 0;
constexpr std::size_t kSearchMinOffset = 4;
constexpr std::size_t kSearchMaxOffset = 8;
constexpr std::size_t kAdaptiveGatesSize = 12;
// Enable flags: one u32 word; the low byte is always zero.
constexpr std::size_t kFlagWordSize = 4;
constexpr std::uint32_t kRangeFilterBit = 0x100;
constexpr std::uint32_t kDepthFilterBit = 0x200;
constexpr std::uint32_t kAdaptiveGateBit = 0x400;
constexpr std::uint32_t kAdaptiveGateDepthFilterBit = 0x800;

// Truncates toward zero. A window beyond the i32 range goes out as the nearest i32, and one that is
// not a number as 0, rather than through a conversion that C++ leaves undefined.
std::int32_t TruncateToI32(double value) {
  using Limits = std::numeric_limits<std::int32_t>;
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(Limits::min())) return Limits::min();
  if (value >= static_cast<double>(Limits::max())) return Limits::max();
  return static_cast<std::int32_t>(value);
}

}  // namespace

void KavoSonarConfigurationControlDevice::RequestAbsoluteGates() {
  // The gates go out in the sonar's own units; the tilt in radians, counted the other way round. The
  // attribute keeps the tilt as requested.
  RequestFloatSettings(kAbsoluteGatesId, {{kMinRangeGateKey, units::Single},
                                          {kMaxRangeGateKey, units::Single},
                                          {kMinDepthGateKey, units::Single},
                                          {kMaxDepthGateKey, units::Single},
                                          {kDepthGateTiltKey, units::InvertedRadians}});
}

void KavoSonarConfigurationControlDevice::RequestAdaptiveGates() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.HasAny({kWindowSizeKey, kSearchMinKey, kSearchMaxKey})) return;
  double windowSize = 0.0;
  double searchMin = 0.0;
  double searchMax = 0.0;
  if (!values.Resolve(kWindowSizeKey, windowSize) || !values.Resolve(kSearchMinKey, searchMin) ||
      !values.Resolve(kSearchMaxKey, searchMax))
    return;

  std::array<std::byte, kAdaptiveGatesSize> payload{};
  le::PutI32(payload, kWindowSizeOffset, TruncateToI32(windowSize));
  le::PutF32(payload, kSearchMinOffset, units::Single(searchMin));
  le::PutF32(payload, kSearchMaxOffset, units::Single(searchMax));
  SendRemoteControlRecord(kAdaptiveGatesId, payload.data(), payload.size(), -1);

  values.Consume({kWindowSizeKey, kSearchMinKey, kSearchMaxKey});
  values.Store(kWindowSizeKey, windowSize);
  values.Store(kSearchMinKey, searchMin);
  values.Store(kSearchMaxKey, searchMax);
}

void KavoSonarConfigurationControlDevice::RequestGateEnableFlags() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.HasAny({kRangeFilterKey, kDepthFilterKey, kAdaptiveGateKey, kAdaptiveGateDepthFilterKey}))
    return;
  bool rangeFilter = false;
  bool depthFilter = false;
  bool adaptiveGate = false;
  bool adaptiveGateDepthFilter = false;
  if (!values.Resolve(kRangeFilterKey, rangeFilter) || !values.Resolve(kDepthFilterKey, depthFilter) ||
      !values.Resolve(kAdaptiveGateKey, adaptiveGate) ||
      !values.Resolve(kAdaptiveGateDepthFilterKey, adaptiveGateDepthFilter))
    return;

  std::uint32_t flags = 0;
  if (rangeFilter) flags |= kRangeFilterBit;
  if (depthFilter) flags |= kDepthFilterBit;
  if (adaptiveGate) flags |= kAdaptiveGateBit;
  if (adaptiveGateDepthFilter) flags |= kAdaptiveGateDepthFilterBit;
  std::array<std::byte, kFlagWordSize> payload{};
  le::PutU32(payload, 0, flags);
  SendRemoteControlRecord(kGateEnableFlagsId, payload.data(), payload.size(), -1);

  values.Consume({kRangeFilterKey, kDepthFilterKey, kAdaptiveGateKey, kAdaptiveGateDepthFilterKey});
  values.Store(kRangeFilterKey, rangeFilter);
  values.Store(kDepthFilterKey, depthFilter);
  values.Store(kAdaptiveGateKey, adaptiveGate);
  values.Store(kAdaptiveGateDepthFilterKey, adaptiveGateDepthFilter);
}
