// Bytes from hex written by hand, with spaces between fields for the reader.
#pragma once

#include <string>
#include <string_view>

inline std::string HexBytes(std::string_view spacedHex) {
  std::string hex;
  for (const char c : spacedHex) {
    if (c != ' ') hex += c;
  }
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}
