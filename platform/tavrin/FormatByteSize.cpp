// Byte counts in 1024-based units, as file managers of the host's platform show them.
#include "platform/tavrin/FormatByteSize.h"

#include <iterator>

CString FormatByteSize(std::uint64_t bytes) {
  CString text;
  if (bytes < 1024) {
    text.Format("%llu B", static_cast<unsigned long long>(bytes));
    return text;
  }
  constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  // 1023.95 and above would print as "1024.0": those take the next unit.
  while (value >= 1023.95 && unit + 1 < std::size(kUnits)) {
    value /= 1024.0;
    ++unit;
  }
  text.Format("%.1f %s", value, kUnits[unit]);
  return text;
}
