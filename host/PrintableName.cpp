// Checking a name character by character.
#include "host/PrintableName.h"

#include <cstdint>
#include <optional>

namespace {

// The characters of valid UTF-8 text, or nothing when it is not valid or holds a control character.
std::optional<std::size_t> PrintableLength(std::string_view text) {
  constexpr std::uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};  // by encoded length
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++characters) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (lead < 0x80) {
      length = 1;
    } else if ((lead >> 5) == 0x6) {
      length = 2;
    } else if ((lead >> 4) == 0xE) {
      length = 3;
    } else if ((lead >> 3) == 0x1E) {
      length = 4;
    }
    if (length == 0 || i + length > text.size()) return std::nullopt;
    std::uint32_t point = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      point = point << 6 | (next & 0x3Fu);
    }
    const bool overlong = point < kShortest[length];
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    const bool control = point < 0x20 || (point >= 0x7F && point < 0xA0);
    if (overlong || surrogate || control || point > 0x10FFFF) return std::nullopt;
    i += length;
  }
  return characters;
}

}  // namespace

std::string PrintableNameProblem(std::string_view name, std::string_view what, std::size_t longest) {
  const std::optional<std::size_t> length = PrintableLength(name);
  if (!length) return std::string(what) + " must be printable UTF-8 text, without control characters";
  if (*length == 0 || *length > longest) {
    return std::string(what) + " must be 1 to " + std::to_string(longest) + " characters long";
  }
  return {};
}
