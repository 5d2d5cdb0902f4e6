// Reading numbers and flags out of the attribute and element text of a sonar's configuration XML.
// Locale-independent; surrounding white space is allowed, anything else makes the value unreadable.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

class ZqXmlNumbers {
 public:
  // A finite number.
  static std::optional<double> Double(std::string_view text);
  // A whole number within the range of long long.
  static std::optional<long long> Integer(std::string_view text);
  // "1" or "true" as true, "0" or "false" as false.
  static std::optional<bool> Flag(std::string_view text);
  // Finite numbers separated by white space or commas; none at all is an empty list. Unreadable as a
  // whole when any of them is.
  static std::optional<std::vector<double>> DoubleList(std::string_view text);
};
