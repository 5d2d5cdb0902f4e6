// Turns the configuration record of a sonar (7003) into the attributes of the device that drives it:
// one "ZqSonarSettings" child map per setting set with its limits, found by the set's device enum, and
// the swath limits of each beam mode.
#pragma once

#include <cstddef>
#include <span>
#include <string>

class CAttributeMap;

class ZqConfigurationDecoder {
 public:
  // Beam modes numbered above this are left out (their number makes the occurrence of their child map).
  static constexpr long long kHighestBeamMode = 255;
  // Setting sets whose device enum is above this are left out (their device enum makes the occurrence
  // of their "ZqSonarSettings" child map).
  static constexpr long long kHighestDeviceEnum = 255;

  // The XML text of a whole configuration record: from data offset 8, up to its first zero byte, at
  // most as long as data offset 4 says and never past the data section. Empty when there is none.
  static std::string XmlText(std::span<const std::byte> record);

  // Writes the configuration of a whole record into attributes, replacing every "ZqSonarSettings" and
  // "ZqBeamMode" entry (each setting set at the occurrence of its device enum, each beam mode at that
  // of its number, empty child maps in between), and copies the swath limits of the selected beam mode
  // ("ZqBeamModeSelection", else mode 0) to the top of the map. Returns whether the record held a
  // readable configuration; when it does not, nothing changes.
  static bool Decode(std::span<const std::byte> record, CAttributeMap& attributes);
};
