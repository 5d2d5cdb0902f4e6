// The pause the sequencer leaves after a sonar's ping.
#include "sequencing/SettingsGuardTime.h"

#include <cmath>
#include <limits>

namespace sequencing {

std::uint32_t GuardTimeMs(float range, double soundVelocity, double overhead) {
  const double travelMs = range * 2.0 / soundVelocity * 1000.0;
  // Half a millisecond added, then truncated toward zero: rounding for every pause that can be.
  const double delay = std::trunc(travelMs * overhead / 100.0 + 0.5);
  // Held to what a 64-bit count can say before the conversion, which is undefined beyond it.
  constexpr double kBeyondInt64 = 9223372036854775808.0;  // 2^63
  if (!(delay > 0.0)) return 0;                           // also not a number
  if (delay >= kBeyondInt64) return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(delay));
}

}  // namespace sequencing
