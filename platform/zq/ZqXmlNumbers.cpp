// Strict, locale-independent number reading for the configuration XML.
#include "platform/zq/ZqXmlNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The whole of text as one value of T, nothing when any of it is left over.
template <typename T>
std::optional<T> Whole(std::string_view text) {
  text = Trim(text);
  // from_chars reads no plus sign; one is allowed in front of an unsigned value.
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  T value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> ZqXmlNumbers::Double(std::string_view text) {
  const std::optional<double> value = Whole<double>(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

std::optional<long long> ZqXmlNumbers::Integer(std::string_view text) {
  return Whole<long long>(text);
}

std::optional<bool> ZqXmlNumbers::Flag(std::string_view text) {
  text = Trim(text);
  if (text == "1" || text == "true") return true;
  if (text == "0" || text == "false") return false;
  return std::nullopt;
}

std::optional<std::vector<double>> ZqXmlNumbers::DoubleList(std::string_view text) {
  std::vector<double> values;
  while (!text.empty()) {
    const std::size_t start = text.find_first_not_of(" \t\r\n,");
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    const std::size_t length = std::min(text.find_first_of(" \t\r\n,"), text.size());
    const std::optional<double> value = Double(text.substr(0, length));
    if (!value) return std::nullopt;
    values.push_back(*value);
    text.remove_prefix(length);
  }
  return values;
}
