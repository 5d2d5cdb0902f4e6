// Typed reads of attribute values that do not map onto one variant alternative.
#include "platform/tavrin/COrvType.h"

bool COrvType::GetValue(double& first, double& second) const {
  const Pair* held = std::get_if<Pair>(&value_);
  if (held == nullptr) return false;
  first = held->first;
  second = held->second;
  return true;
}
