// Host time base and the record time stamp.
#include "platform/tavrin/CExTime.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

#include "platform/tavrin/LittleEndian.h"

namespace {
std::atomic<CExTime::TimeSource> timeSource{nullptr};
}  // namespace

void CExTime::SetTimeSource(TimeSource source) {
  timeSource.store(source);
}

double CExTime::GetCurTime() {
  if (const TimeSource source = timeSource.load()) return source();
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double>(sinceEpoch).count();
}

bool CExTime::TimeToZqTime(double time, tagTIMEZQ* stamp) {
  if (stamp == nullptr) return false;
  *stamp = tagTIMEZQ{};
  // Years 1 to 9999 cover every time stamp a survey can carry, and keep time_t and tm in range.
  if (!std::isfinite(time) || time < -62135596800.0 || time >= 253402300800.0) return false;
  const double whole = std::floor(time);
  const auto calendar = static_cast<std::time_t>(whole);
  std::tm utc{};
  if (gmtime_r(&calendar, &utc) == nullptr) return false;
  stamp->year = static_cast<std::uint16_t>(utc.tm_year + 1900);
  stamp->day = static_cast<std::uint16_t>(utc.tm_yday + 1);
  // Single precision rounds the last microseconds of a minute up to 60; the stamp stays inside it.
  const float lastSecondOfMinute = std::nextafter(60.0F, 0.0F);
  stamp->seconds = std::min(static_cast<float>(utc.tm_sec + (time - whole)), lastSecondOfMinute);
  stamp->hours = static_cast<std::uint8_t>(utc.tm_hour);
  stamp->minutes = static_cast<std::uint8_t>(utc.tm_min);
  return true;
}

void CExTime::PutZqTime(std::span<std::byte> buffer, std::size_t offset, const tagTIMEZQ& stamp) {
  le::PutU16(buffer, offset, stamp.year);
  le::PutU16(buffer, offset + 2, stamp.day);
  le::PutF32(buffer, offset + 4, stamp.seconds);
  le::PutU8(buffer, offset + 8, stamp.hours);
  le::PutU8(buffer, offset + 9, stamp.minutes);
}

std::time_t CExTime::ConvertToCTime(double time) {
  if (!std::isfinite(time)) return 0;
  return static_cast<std::time_t>(std::floor(time));
}

CString ZqTimeOfDayText(const tagTIMEZQ& time) {
  const double seconds =
      std::isfinite(time.seconds) ? std::clamp(static_cast<double>(time.seconds), 0.0, 60.999) : 0.0;
  const int whole = static_cast<int>(seconds);
  const int milliseconds = static_cast<int>((seconds - whole) * 1000.0);
  CString text;
  text.Format("%02d:%02d:%02d.%03d", static_cast<int>(time.hours), static_cast<int>(time.minutes), whole,
              milliseconds);
  return text;
}
