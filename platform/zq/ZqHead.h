// A sonar head as a link's configuration and the command lines name it: device enum and device
// identifier, written "ENUM=ID".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

struct ZqHead {
  std::uint16_t deviceEnum = 0;
  std::uint32_t deviceId = 0;
};

// The head of a link that names none: device enum 0, device identifier 7000.
inline constexpr ZqHead kDefaultZqHead{0, 7000};

// Parses "ENUM=ID" with ENUM 0 to 65535 and ID 1 to 4294967295; nothing when it is not that.
std::optional<ZqHead> ParseZqHead(std::string_view text);
