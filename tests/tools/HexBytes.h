// Bytes from hex written by hand, with spaces between fields for the reader, and hex of bytes to compare
// records against such text.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

// Hex written with spaces between fields for reading, without them for comparing.
inline std::string Fields(std::string_view spacedHex) {
  std::string hex(spacedHex);
  std::erase(hex, ' ');
  return hex;
}

inline std::string HexBytes(std::string_view spacedHex) {
  const std::string hex = Fields(spacedHex);
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// Little-endian hex of the low `bytes` bytes of value.
inline std::string LeHex(unsigned long long value, int bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (int i = 0; i < bytes; ++i, value >>= 8) hex += {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
  return hex;
}

inline std::string Hex(std::string_view bytes) {
  std::string hex;
  for (const char c : bytes) hex += LeHex(static_cast<unsigned char>(c), 1);
  return hex;
}
