// Reading the settings data items the sequencer needs.
#include "sequencing/SettingsGuardTime.h"

#include <cmath>

#include "tavrin/CDataBlock.h"

namespace sequencing {

namespace {

// Settings data items, all under second key 2.
constexpr unsigned short kItemKey2 = 2;
constexpr unsigned short kRangeItem = 699;          // f32, metres
constexpr unsigned short kRangeWholeItem = 609;     // u16, metres
constexpr unsigned short kSoundVelocityItem = 401;  // f64, m/s

// The element's value when the block has a valid element of the value's host type and size.
template <typename T>
bool LookUpValid(const CDataBlock& block, unsigned short item, T& value) {
  int index = 0;
  if (!block.LookUp(item, kItemKey2, index)) return false;
  const COrvBytePtr* element = block.GetElement(index);
  return element != nullptr && element->GetStatus() == 0 && element->GetValue(value);
}

}  // namespace

bool RangeOf(const CDataBlock& block, float& range) {
  float metres = 0.0F;
  if (LookUpValid(block, kRangeItem, metres) && metres > 0.0F) {
    range = metres;
    return true;
  }
  std::uint16_t wholeMetres = 0;
  if (LookUpValid(block, kRangeWholeItem, wholeMetres) && wholeMetres > 0) {
    range = static_cast<float>(wholeMetres);
    return true;
  }
  return false;
}

double SoundVelocityOf(const CDataBlock& block) {
  double metresPerSecond = 0.0;
  if (!LookUpValid(block, kSoundVelocityItem, metresPerSecond) || metresPerSecond == 0.0) {
    return kDefaultSoundVelocity;
  }
  return metresPerSecond;
}

std::uint32_t GuardTimeMs(float range, double soundVelocity, double overhead) {
  const double travelMs = range * 2.0 / soundVelocity * 1000.0;
  // Half a millisecond added, then truncated toward zero: rounding for every pause that can be.
  const auto delayMs = static_cast<std::int64_t>(std::trunc(travelMs * overhead / 100.0 + 0.5));
  return delayMs < 0 ? 0 : static_cast<std::uint32_t>(delayMs);
}

}  // namespace sequencing
