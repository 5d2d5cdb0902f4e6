// The guard time the ping sequencer leaves after a sonar's ping, from the range and sound velocity of
// its settings data (platform/zq/ZqSettingsReadings.h).
#pragma once

#include <cstdint>

namespace sequencing {

// The two-way travel time of range at soundVelocity, times overhead percent, rounded to whole
// milliseconds, of which the low 32 bits count; 0 when that comes out below zero or is not a number,
// and the largest count when it lies beyond a 64-bit count (an infinite one among them).
std::uint32_t GuardTimeMs(float range, double soundVelocity, double overhead);

}  // namespace sequencing
