// Turns a settings record of a sonar (7000 once per ping, 7503 on request) into the attributes of the
// device that drives it, in display units, and into the device's settings data block. Angles in degrees
// are rounded to six significant digits, so that an angle set as a whole or tenth degree reads back
// exactly; directory and file names are valid UTF-8 (SonarTextToUtf8).
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "platform/tavrin/CDataBlock.h"

class CAttributeMap;

class ZqSettingsDecoder {
 public:
  // Settings data block items, all under second key 2.
  static constexpr unsigned short kSecondKey = 2;
  static constexpr unsigned short kRangeItem = 699;          // f32 range, m
  static constexpr unsigned short kWholeRangeItem = 609;     // u16 range, m, rounded and saturated
  static constexpr unsigned short kSoundVelocityItem = 401;  // f64 sound velocity, m/s

  // Writes the settings of a whole record into attributes and returns the settings data block. A
  // record too short to hold the settings changes nothing and gives no block.
  static std::optional<CDataBlock> Decode(std::span<const std::byte> record, CAttributeMap& attributes);
};
