// Host time: seconds since the Unix epoch as a double, the 10-byte record time stamp, and calendar
// time for file names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>

#include "platform/afx/CString.h"

// The record time stamp, in UTC. On the wire (10 bytes): u16 year, u16 day of the year (1 is
// 1 January), f32 seconds within the minute, u8 hours, u8 minutes.
struct tagTIMEZQ {
  std::uint16_t year = 0;
  std::uint16_t day = 0;
  float seconds = 0.0F;
  std::uint8_t hours = 0;
  std::uint8_t minutes = 0;
};

class CExTime {
 public:
  static constexpr std::size_t kZqTimeSize = 10;

  // Now, in seconds since 1970-01-01 00:00:00 UTC.
  static double GetCurTime();
  // Makes GetCurTime ask source instead of the system clock (null restores the clock): for tests and
  // replays that need a known time.
  using TimeSource = double (*)();
  static void SetTimeSource(TimeSource source);
  // Fills stamp from time (UTC). Returns false, leaving stamp zeroed, for a time the calendar cannot hold.
  static bool TimeToZqTime(double time, tagTIMEZQ* stamp);
  // Writes stamp in its 10-byte wire form at offset.
  static void PutZqTime(std::span<std::byte> buffer, std::size_t offset, const tagTIMEZQ& stamp);
  // Calendar time of a host time (whole seconds, rounded down).
  static std::time_t ConvertToCTime(double time);
};

// "HH:MM:SS.mmm" of a record's time stamp: seconds and milliseconds cut, not rounded.
CString ZqTimeOfDayText(const tagTIMEZQ& time);

// Degrees to radians.
inline constexpr double D_TO_R = 3.14159265358979323846 / 180.0;
