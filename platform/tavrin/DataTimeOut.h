// How long a device's settings data may stay away before the host reports it missing, the moments the
// wait counts from, and when it runs out: the deadline its device arms its timer with. A value kept by
// its device, which guards it; not thread-safe itself.
#pragma once

#include <algorithm>
#include <chrono>
#include <optional>

class DataTimeOut {
 public:
  using Clock = std::chrono::steady_clock;

  // The wait counts from `start`: a device that never had data times out one limit after it was made.
  explicit DataTimeOut(Clock::time_point start = Clock::now()) : waitStart_(start) {}

  // Zero or less: the data never times out.
  void SetLimit(Clock::duration limit) { limit_ = limit; }
  Clock::duration GetLimit() const { return limit_; }

  // While disabled nothing times out (a sonar waiting its turn sends nothing). Enabling it again
  // starts a fresh wait, so that the time spent waiting does not count as missing data; enabling
  // what is enabled changes nothing, so repeating it cannot hide data that stays away.
  void Disable(bool disable, Clock::time_point now) {
    if (disabled_ && !disable) waitStart_ = std::max(waitStart_, now);
    disabled_ = disable;
  }
  bool IsDisabled() const { return disabled_; }

  // Settings data arrived: the wait starts again.
  void NoteData(Clock::time_point now) { waitStart_ = std::max(waitStart_, now); }
  // Starts a fresh wait without data: the device's link has just connected.
  void RestartWait(Clock::time_point now) { waitStart_ = std::max(waitStart_, now); }

  // Enabled, with a limit, and more than the limit since the latest of data, re-enabling and restart.
  // atLeast holds the limit up for as long as the data may rightly take (a sonar's long ping); it
  // gives no limit to a time-out that has none.
  bool HasExpired(Clock::time_point now, Clock::duration atLeast = Clock::duration::zero()) const {
    return !disabled_ && limit_ > Clock::duration::zero() && now - waitStart_ > std::max(limit_, atLeast);
  }
  // The first moment at which HasExpired holds, unless data, re-enabling or a restart comes first;
  // nothing while it cannot expire (disabled, or no limit).
  std::optional<Clock::time_point> ExpiresAt(Clock::duration atLeast = Clock::duration::zero()) const {
    if (disabled_ || limit_ <= Clock::duration::zero()) return std::nullopt;
    return waitStart_ + std::max(limit_, atLeast) + Clock::duration(1);
  }

 private:
  Clock::duration limit_{};
  bool disabled_ = false;
  Clock::time_point waitStart_;
};
