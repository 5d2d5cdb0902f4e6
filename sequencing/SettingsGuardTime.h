// What the ping sequencer reads from a sonar's settings data, and the guard time it derives: the
// range (item 699 as f32, else item 609 as u16, metres), the sound velocity (item 401, f64, m/s;
// 1500 m/s when missing, invalid, zero or not finite), and the pause after the sonar's ping.
#pragma once

#include <cstdint>

class CDataBlock;

namespace sequencing {

inline constexpr double kDefaultSoundVelocity = 1500.0;

// The range in metres when the block holds a valid one above zero (a float range that is not finite
// gives way to the whole metres).
bool RangeOf(const CDataBlock& block, float& range);
double SoundVelocityOf(const CDataBlock& block);
// The two-way travel time of range at soundVelocity, times overhead percent, rounded to whole
// milliseconds, of which the low 32 bits count; 0 when that comes out below zero or is not a number,
// and the largest count when it lies beyond a 64-bit count (an infinite one among them).
std::uint32_t GuardTimeMs(float range, double soundVelocity, double overhead);

}  // namespace sequencing
