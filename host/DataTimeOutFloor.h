// The floor of a sonar's data time-out: its settings data come once per ping, so no time-out is judged
// shorter than the sonar's current ping and the guard time after it. The host gives it to each sonar
// device's time-out, which asks it when the time-out set runs out.
#pragma once

#include <chrono>

class CDataBlock;
class Device;

// What a data time-out allows beyond the ping and its guard: the trigger's way to the sonar and the
// settings record's way back.
inline constexpr std::chrono::milliseconds kDataTimeOutMargin{1000};

// The shortest data time-out for a sonar whose current settings data are settings: the two-way travel
// time of their range (item 699, else 609) at their sound velocity (item 401, 1500 m/s when missing or
// not a positive number), rounded up to whole milliseconds, plus the guard time that a ping sequence
// waits after it (that time times overheadPercent, none when that is not a positive number), plus
// kDataTimeOutMargin. Zero while the settings hold no finite range above zero; at most the longest data
// time-out a configuration may set.
std::chrono::milliseconds ShortestDataTimeOut(const CDataBlock& settings, double overheadPercent);
// The same for a device: its current settings data block and its "Overhead" attribute.
std::chrono::milliseconds ShortestDataTimeOut(const Device& device);
// The guard time, in seconds, that a ping sequence waits after the device's current ping: its two-way
// travel time times its "Overhead" percentage. Zero without a range or an overhead.
double GuardSeconds(const Device& device);
