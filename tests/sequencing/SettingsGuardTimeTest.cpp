// The guard time the sequencer leaves after a sonar's ping.
#include "sequencing/SettingsGuardTime.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Two-way travel time times the overhead percentage, rounded; no pause below zero or for not a
// number; beyond a 64-bit count, the longest.
TEST(SettingsGuardTime, GuardTimeIsTheTravelTimeTimesTheOverheadRounded) {
  const struct {
    double range, soundVelocity, overhead;
    std::uint32_t ms;
  } cases[] = {
      {150, 1500, 110, 220},  // 200 ms there and back
      {150, 1500, 0, 0},
      {50, 1480, 10, 7},   // 67.57 ms: 6.757 rounds up
      {50, 1500, 3, 2},    // 66.67 ms: 2.0 rounds to 2
      {7.4, 1500, 10, 1},  // 9.87 ms: 0.987 rounds up
      {11000, 1500, 100, 14667},
      {150, 1500, -50, 0},
      {kNaN, 1500, 110, 0},
      {150, kNaN, 110, 0},
      {150, 1500, kNaN, 0},
      {150, 1500, -kInf, 0},
      {150, 1500, kInf, 4294967295u},
      {kInf, 1500, 110, 4294967295u},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sequencing::GuardTimeMs(static_cast<float>(c.range), c.soundVelocity, c.overhead), c.ms)
        << c.range << " m, " << c.soundVelocity << " m/s, " << c.overhead << " %";
  }
}

}  // namespace
