// Numbers as the simulated sonar writes them into its configuration text and its event messages:
// the shortest text that reads back to the same value, never in exponent notation.
#pragma once

#include <string>

// 0.000015 -> "0.000015", 200000 -> "200000", 0.5 -> "0.5".
std::string NumberText(double value);
// A value of an event message, always with a decimal point: 900 -> "900.0", 0.1F -> "0.1"; "nan",
// "inf" and "-inf" as such.
std::string ValueText(float value);
