// What a Zq sonar's settings data say of its ping: the range (item 699 as f32, else item 609 as u16,
// metres) and the sound velocity (item 401, f64, m/s; 1500 m/s when missing, invalid, zero or not
// finite). Read by the ping sequencer for its guard time and by the host for a data time-out's floor.
#pragma once

class CDataBlock;

namespace zqsettings {

inline constexpr double kDefaultSoundVelocity = 1500.0;

// The range in metres when the block holds a valid one above zero (a float range that is not finite
// gives way to the whole metres).
bool RangeOf(const CDataBlock& block, float& range);
double SoundVelocityOf(const CDataBlock& block);

}  // namespace zqsettings
