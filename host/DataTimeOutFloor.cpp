// A sonar's ping, its guard and the margin, from its settings data and its overhead.
#include "host/DataTimeOutFloor.h"

#include <cmath>
#include <cstdint>

#include "host/HostConfig.h"
#include "platform/tavrin/CDataBlock.h"
#include "platform/tavrin/Device.h"
#include "platform/zq/ZqSettingsReadings.h"

namespace {

const CString kOverheadKey = "Overhead";

// The two-way travel time of the settings' range at their sound velocity, in ms; 0 without a finite range
// above zero.
double TravelMs(const CDataBlock& settings) {
  float range = 0.0F;
  if (!zqsettings::RangeOf(settings, range) || !std::isfinite(range) || range <= 0.0F) return 0.0;
  double soundVelocity = zqsettings::SoundVelocityOf(settings);
  if (!std::isfinite(soundVelocity) || soundVelocity <= 0.0)
    soundVelocity = zqsettings::kDefaultSoundVelocity;
  return 2.0 * range / soundVelocity * 1000.0;
}

// The device's current settings and overhead percentage; false without settings.
bool SettingsAndOverhead(const Device& device, CDataBlock& settings, double& overhead) {
  if (!device.GetDataSource().ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, settings)) return false;
  unsigned flags = 0;
  device.GetAttribValue(kOverheadKey, overhead, flags);
  return true;
}

}  // namespace

std::chrono::milliseconds ShortestDataTimeOut(const CDataBlock& settings, double overheadPercent) {
  const double exactTravelMs = TravelMs(settings);
  if (exactTravelMs <= 0.0) return {};
  // The guard a ping sequence waits after the ping: its travel time times the overhead percentage,
  // rounded; none for an overhead that is not a number or below zero.
  const double guardMs = overheadPercent > 0.0 ? std::round(exactTravelMs * overheadPercent / 100.0) : 0.0;
  const double totalMs = std::ceil(exactTravelMs) + guardMs + static_cast<double>(kDataTimeOutMargin.count());
  // A range or sound velocity that no sonar has could otherwise ask for an endless wait.
  constexpr double kLongestMs = kLongestDataTimeOutSeconds * 1000.0;
  if (!(totalMs < kLongestMs)) return std::chrono::milliseconds(static_cast<std::int64_t>(kLongestMs));
  return std::chrono::milliseconds(static_cast<std::int64_t>(totalMs));
}

std::chrono::milliseconds ShortestDataTimeOut(const Device& device) {
  CDataBlock settings;
  double overhead = 0.0;
  if (!SettingsAndOverhead(device, settings, overhead)) return {};
  return ShortestDataTimeOut(settings, overhead);
}

double GuardSeconds(const Device& device) {
  CDataBlock settings;
  double overhead = 0.0;
  if (!SettingsAndOverhead(device, settings, overhead) || !(overhead > 0.0)) return 0.0;
  return TravelMs(settings) * overhead / 100.0 / 1000.0;
}
