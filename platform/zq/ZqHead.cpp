// Parsing "ENUM=ID".
#include "platform/zq/ZqHead.h"

#include <charconv>

namespace {

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<ZqHead> ParseZqHead(std::string_view text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const auto deviceEnum = ParseNumber<std::uint16_t>(text.substr(0, equals));
  const auto deviceId = ParseNumber<std::uint32_t>(text.substr(equals + 1));
  if (!deviceEnum || !deviceId || *deviceId == 0) return std::nullopt;
  return ZqHead{*deviceEnum, *deviceId};
}
