// Settings compared key by key: a profile or the remembered settings of a sonar against what the sonar
// reports now. Angles and levels travel as 32-bit floats, so two readings of one setting may differ in
// the last bits of a double; such values count as the same.
#pragma once

#include <string>
#include <vector>

#include "platform/tavrin/CAttributeMap.h"

struct SettingDifference {
  std::string key;
  COrvType wanted;   // the profile's or the remembered value
  COrvType current;  // what the sonar reports; without a type when it reports nothing of the key
};

// Whether a and b are the same setting: of one kind, and equal (doubles within a float's precision).
bool SameSetting(const COrvType& a, const COrvType& b);

// The values of wanted that current does not hold, in wanted's order.
std::vector<SettingDifference> DiffSettings(const CAttributeMap& wanted, const CAttributeMap& current);

// The wanted values of the differences, as one request.
CAttributeMap RequestOf(const std::vector<SettingDifference>& differences);
