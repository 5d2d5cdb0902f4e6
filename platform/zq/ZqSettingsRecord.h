// The body of the ping settings record (7000, once per ping) and of the settings record a sonar sends
// on request (7503): the sonar's actual settings, in record units (Hz, metres, seconds, radians).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zqwire {

struct ZqPingSettings {
  // Flag bits.
  static constexpr std::uint16_t kPinging = 1u << 0;
  static constexpr std::uint16_t kSoundVelocityOverride = 1u << 1;
  static constexpr std::uint16_t kFmPulse = 1u << 2;
  static constexpr std::uint16_t kRecording = 1u << 3;

  std::uint32_t pingNumber = 0;
  std::uint16_t projectorDeviceEnum = 0;  // the setting set in use
  std::uint16_t flags = 0;
  float frequencyHz = 0.0F;
  float rangeM = 0.0F;
  float powerDb = 0.0F;
  float pulseLengthS = 0.0F;
  std::uint32_t gainMode = 0;
  float gainDb = 0.0F;
  float maxPingRate = 0.0F;  // pings per second
  float beamWidthXRad = 0.0F;
  float beamWidthZRad = 0.0F;
  float verticalSteeringRad = 0.0F;
  float horizontalSteeringRad = 0.0F;
  float absorptionDbPerKm = 0.0F;
  float spreadingDb = 0.0F;
  float soundVelocity = 0.0F;  // m/s
  std::uint32_t recordingMode = 0;
  std::uint32_t diskFreePercent = 0;
  std::uint64_t fileSizeBytes = 0;
  std::string directoryName;  // at most 255 bytes travel
  std::string fileName;       // at most 255 bytes travel
};

// Offsets from the start of the record (the body starts after the 64-byte frame header).
inline constexpr std::size_t kSettingsPingNumberOffset = 64;
inline constexpr std::size_t kSettingsDeviceEnumOffset = 68;
inline constexpr std::size_t kSettingsFlagsOffset = 70;
inline constexpr std::size_t kSettingsFrequencyOffset = 72;
inline constexpr std::size_t kSettingsRangeOffset = 76;
inline constexpr std::size_t kSettingsPowerOffset = 80;
inline constexpr std::size_t kSettingsPulseLengthOffset = 84;
inline constexpr std::size_t kSettingsGainModeOffset = 88;
inline constexpr std::size_t kSettingsGainOffset = 92;
inline constexpr std::size_t kSettingsMaxPingRateOffset = 96;
inline constexpr std::size_t kSettingsBeamWidthXOffset = 100;
inline constexpr std::size_t kSettingsBeamWidthZOffset = 104;
inline constexpr std::size_t kSettingsVerticalSteeringOffset = 108;
inline constexpr std::size_t kSettingsHorizontalSteeringOffset = 112;
inline constexpr std::size_t kSettingsAbsorptionOffset = 116;
inline constexpr std::size_t kSettingsSpreadingOffset = 120;
inline constexpr std::size_t kSettingsSoundVelocityOffset = 124;
inline constexpr std::size_t kSettingsRecordingModeOffset = 128;
inline constexpr std::size_t kSettingsDiskFreeOffset = 132;
inline constexpr std::size_t kSettingsFileSizeOffset = 136;
inline constexpr std::size_t kSettingsDirectoryOffset = 144;
inline constexpr std::size_t kSettingsFileNameOffset = 400;
inline constexpr std::size_t kSettingsNameSize = 256;
inline constexpr std::size_t kSettingsRecordSize = 660;  // header, body and trailer

// The data section (596 bytes) of a settings record; names longer than 255 bytes are cut.
std::string EncodeSettingsBody(const ZqPingSettings& settings);
// Reads the body of a whole settings record. Nothing when the record is too short to hold it; a name
// with no terminating zero inside its 256 bytes is taken whole.
std::optional<ZqPingSettings> DecodeSettings(std::span<const std::byte> record);

}  // namespace zqwire
