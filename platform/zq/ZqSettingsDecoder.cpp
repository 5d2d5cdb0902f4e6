// Settings attributes in display units (kHz, degrees) and the settings data block.
#include "platform/zq/ZqSettingsDecoder.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/COrvType.h"
#include "platform/tavrin/SonarText.h"
#include "platform/zq/ZqSettingsRecord.h"

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;
// Significant decimal digits of an angle in degrees. A single-precision angle in radians holds its
// value to about 6e-8 of it, well within half a unit of the sixth digit (5e-7 of it at least), so an
// angle of six digits or fewer sent as f32 radians reads back as that decimal exactly.
constexpr int kAngleDigits = 6;

// The angle in degrees, rounded to six significant digits: 1.0 rather than 0.9999999922536332.
double Degrees(float radians) {
  const double degrees = static_cast<double>(radians) * kDegreesPerRadian;
  if (!std::isfinite(degrees)) return degrees;
  std::array<char, 32> text{};
  const auto written = std::to_chars(text.data(), text.data() + text.size(), degrees,
                                     std::chars_format::scientific, kAngleDigits - 1);
  if (written.ec != std::errc()) return degrees;
  double rounded = degrees;
  std::from_chars(text.data(), written.ptr, rounded, std::chars_format::scientific);
  return rounded;
}

int Flag(std::uint16_t flags, std::uint16_t bit) {
  return (flags & bit) != 0 ? 1 : 0;
}

// The range in whole metres as the u16 item carries it: rounded, and held to 0..65535 (0 for a range
// that is not a number).
std::uint16_t WholeMetres(float range) {
  constexpr float kMost = std::numeric_limits<std::uint16_t>::max();
  if (!(range > 0.0F)) return 0;
  if (range >= kMost) return std::numeric_limits<std::uint16_t>::max();
  return static_cast<std::uint16_t>(std::lround(range));
}

std::int64_t Signed(std::uint64_t value) {
  constexpr auto kMost = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(value > kMost ? kMost : value);
}

}  // namespace

std::optional<CDataBlock> ZqSettingsDecoder::Decode(std::span<const std::byte> record,
                                                    CAttributeMap& attributes) {
  if (record.size() < zqwire::kSettingsRecordSize) return std::nullopt;
  const std::optional<zqwire::ZqPingSettings> decoded = zqwire::DecodeSettings(record);
  if (!decoded) return std::nullopt;
  const zqwire::ZqPingSettings& s = *decoded;
  using Settings = zqwire::ZqPingSettings;

  attributes.Add("ZqPingNumber", COrvInt64(s.pingNumber));
  attributes.Add("DeviceEnum", COrvInt(s.projectorDeviceEnum));
  attributes.Add("ZqPingOnOffState", COrvInt(Flag(s.flags, Settings::kPinging)));
  attributes.Add("ZqSoundVelocityOverride", COrvBool(Flag(s.flags, Settings::kSoundVelocityOverride) != 0));
  attributes.Add("ZqPulseType", COrvInt(Flag(s.flags, Settings::kFmPulse)));
  attributes.Add("ZqCWFrequency", COrvDouble(static_cast<double>(s.frequencyHz) / 1000.0));
  attributes.Add("ZqRange", COrvDouble(s.rangeM));
  attributes.Add("ZqPower", COrvDouble(s.powerDb));
  attributes.Add("ZqPulseLength", COrvDouble(s.pulseLengthS));
  attributes.Add("ZqGainMode", COrvInt(static_cast<int>(s.gainMode)));
  attributes.Add("ZqGain", COrvDouble(s.gainDb));
  attributes.Add("ZqMaxPingRate", COrvDouble(s.maxPingRate));
  attributes.Add("ZqBeamWidthX", COrvDouble(Degrees(s.beamWidthXRad)));
  attributes.Add("ZqBeamWidthZ", COrvDouble(Degrees(s.beamWidthZRad)));
  attributes.Add("ZqProjBeamAngleVer", COrvDouble(Degrees(s.verticalSteeringRad)));
  attributes.Add("ZqProjBeamAngleHor", COrvDouble(Degrees(s.horizontalSteeringRad)));
  attributes.Add("ZqAbsorption", COrvDouble(s.absorptionDbPerKm));
  attributes.Add("ZqSpreadingLoss", COrvDouble(s.spreadingDb));
  attributes.Add("ZqSoundVelocity", COrvDouble(s.soundVelocity));
  attributes.Add("ZqDataRecording", COrvInt(static_cast<int>(s.recordingMode)));
  attributes.Add("ZqDiskFree", COrvInt(static_cast<int>(s.diskFreePercent)));
  attributes.Add("ZqFileSize", COrvInt64(Signed(s.fileSizeBytes)));
  attributes.Add("ZqDirectoryName", COrvString(SonarTextToUtf8(s.directoryName)));
  attributes.Add("ZqFileName", COrvString(SonarTextToUtf8(s.fileName)));

  CDataBlock block;
  block.AddF32(kRangeItem, kSecondKey, s.rangeM);
  block.AddU16(kWholeRangeItem, kSecondKey, WholeMetres(s.rangeM));
  block.AddF64(kSoundVelocityItem, kSecondKey, s.soundVelocity);
  return block;
}
