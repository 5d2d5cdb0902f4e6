// Reading the settings data items that say how long a sonar's ping takes.
#include "platform/zq/ZqSettingsReadings.h"

#include <cmath>
#include <cstdint>

#include "platform/tavrin/CDataBlock.h"

namespace zqsettings {

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

}  // namespace zqsettings
