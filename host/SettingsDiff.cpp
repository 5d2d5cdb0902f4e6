// Comparing settings with a float's tolerance.
#include "host/SettingsDiff.h"

#include <algorithm>
#include <cmath>

namespace {

// A 32-bit float holds about seven significant digits: values closer than this fraction of their size
// are one reading of the same setting.
constexpr double kFloatPrecision = 1e-6;

bool Close(double a, double b) {
  if (a == b) return true;  // also the infinities
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::fabs(a - b) <= kFloatPrecision * std::max({1.0, std::fabs(a), std::fabs(b)});
}

}  // namespace

bool SameSetting(const COrvType& a, const COrvType& b) {
  if (a.GetKind() != b.GetKind()) return false;
  double first = 0.0;
  double other = 0.0;
  if (a.GetValue(first) && b.GetValue(other)) return Close(first, other);
  double second = 0.0;
  double otherSecond = 0.0;
  if (a.GetValue(first, second) && b.GetValue(other, otherSecond)) {
    return Close(first, other) && Close(second, otherSecond);
  }
  return a == b;
}

std::vector<SettingDifference> DiffSettings(const CAttributeMap& wanted, const CAttributeMap& current) {
  std::vector<SettingDifference> differences;
  for (const CAttributeMap::Entry& entry : wanted.Entries()) {
    if (entry.IsMap()) continue;
    const COrvType& now = current.FindValue(entry.key);
    if (!SameSetting(entry.value, now)) differences.push_back({entry.key.Str(), entry.value, now});
  }
  return differences;
}

CAttributeMap RequestOf(const std::vector<SettingDifference>& differences) {
  CAttributeMap request;
  for (const SettingDifference& difference : differences) request.Add(difference.key, difference.wanted);
  return request;
}
