// Conversions from the units of the attributes (degrees, kilohertz) to the single-precision values that
// records carry (radians, hertz). Each rounds to single precision where the sonar expects it.
#pragma once

#include "platform/tavrin/CExTime.h"

namespace units {

// As it stands, rounded to the nearest single-precision number.
inline float Single(double value) {
  return static_cast<float>(value);
}
// Degrees to radians in double precision, then rounded.
inline float Radians(double degrees) {
  return static_cast<float>(degrees * D_TO_R);
}
// Radians of the opposite angle: the sonar counts the depth-gate tilt the other way round.
inline float InvertedRadians(double degrees) {
  return static_cast<float>(-degrees * D_TO_R);
}
// Kilohertz to hertz: the kilohertz value is rounded before it is scaled, and the hertz value again.
inline float Hertz(double kilohertz) {
  return static_cast<float>(static_cast<float>(kilohertz) * 1000.0);
}

}  // namespace units
