// Shortest round-trip number texts in fixed notation.
#include "sim/SimNumberText.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

// The largest double has 309 digits in fixed notation; the buffer holds that, its sign and the
// longest fraction a shortest round-trip text of a small number needs.
template <typename Floating>
std::string Shortest(Floating value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  std::array<char, 400> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  if (result.ec != std::errc()) return "out of range";
  return {buffer.data(), result.ptr};
}

}  // namespace

std::string NumberText(double value) {
  return Shortest(value);
}

std::string ValueText(float value) {
  std::string text = Shortest(value);
  if (std::isfinite(value) && text.find('.') == std::string::npos) text += ".0";
  return text;
}
