// A sonar's ping, its guard and the margin, from its settings data and its overhead.
#include "host/DataTimeOutFloor.h"

#include <cmath>
#include <cstdint>

#include "host/HostConfig.h"
#include "platform/tavrin/CDataBlock.h"
#include "platform/tavrin/Device.h"
#include "sequencing/SettingsGuardTime.h"

namespace {

const CString kOverheadKey = "Overhead";

}  // namespace

std::chrono::milliseconds ShortestDataTimeOut(const CDataBlock& settings, double overheadPercent) {
  float range = 0.0F;
  if (!sequencing::RangeOf(settings, range) || !std::isfinite(range) || range <= 0.0F) return {};
  double soundVelocity = sequencing::SoundVelocityOf(settings);
  if (!std::isfinite(soundVelocity) || soundVelocity <= 0.0)
    soundVelocity = sequencing::kDefaultSoundVelocity;
  const double travelMs = std::ceil(2.0 * range / soundVelocity * 1000.0);
  // The sequencer's own guard; it counts none for an overhead that is not a number or below zero.
  const double guardMs = sequencing::GuardTimeMs(range, soundVelocity, overheadPercent);
  const double totalMs = travelMs + guardMs + static_cast<double>(kDataTimeOutMargin.count());
  // A range or sound velocity that no sonar has could otherwise ask for an endless wait.
  constexpr double kLongestMs = kLongestDataTimeOutSeconds * 1000.0;
  if (!(totalMs < kLongestMs)) return std::chrono::milliseconds(static_cast<std::int64_t>(kLongestMs));
  return std::chrono::milliseconds(static_cast<std::int64_t>(totalMs));
}

std::chrono::milliseconds ShortestDataTimeOut(const Device& device) {
  CDataBlock settings;
  if (!device.GetDataSource().ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, settings)) return {};
  double overhead = 0.0;
  unsigned flags = 0;
  device.GetAttribValue(kOverheadKey, overhead, flags);
  return ShortestDataTimeOut(settings, overhead);
}
