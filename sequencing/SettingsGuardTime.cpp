// Reading the settings data items the sequencer needs.
#include "sequencing/SettingsGuardTime.h"

#include <cmath>
#include <limits>

#include "platform/tavrin/CDataBlock.h"

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
  if (LookUpValid(block, kRangeItem, metres) && metres > 0.0F && std::isfinite(metres)) {
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
  if (!LookUpValid(block, kSoundVelocityItem, metresPerSecond) || metresPerSecond == 0.0 ||
      !std::isfinite(metresPerSecond)) {
    return kDefaultSoundVelocity;
  }
  return metresPerSecond;
}

std::uint32_t GuardTimeMs(float range, double soundVelocity, double overhead) {
  const double travelMs = range * 2.0 / soundVelocity * 1000.0;
  // Half a millisecond added, then truncated toward zero: rounding for every pause that can be.
  const double delay = std::trunc(travelMs * overhead / 100.0 + 0.5);
  // Held to what a 64-bit count can say before the conversion, which is undefined beyond it.
  constexpr double kBeyondInt64 = 9223372036854775808.0;  // 2^63
  if (!(delay > 0.0)) return 0;                           // also not a number
  if (delay >= kBeyondInt64) return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(delay));
}

}  // namespace sequencing
