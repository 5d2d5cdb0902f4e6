// Writing and reading the settings body of records 7000 and 7503.
#include "platform/zq/ZqSettingsRecord.h"

#include <algorithm>

#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"

namespace zqwire {
namespace {

constexpr std::size_t kBodySize = kSettingsRecordSize - kFrameHeaderSize - kTrailerSize;

// Offsets in the data section, which starts at record offset 64.
constexpr std::size_t Body(std::size_t recordOffset) {
  return recordOffset - kFrameHeaderSize;
}

void PutName(std::span<std::byte> body, std::size_t offset, const std::string& name) {
  const std::size_t length = std::min(name.size(), kSettingsNameSize - 1);
  le::PutBytes(body, offset, name.data(), length);
}

std::string ReadName(const le::ByteReader& reader, std::size_t offset) {
  const auto bytes = reader.Bytes(offset, kSettingsNameSize);
  if (!bytes) return {};
  const auto* first = reinterpret_cast<const char*>(bytes->data());
  const auto* end = std::find(first, first + bytes->size(), '\0');
  return {first, end};
}

}  // namespace

std::string EncodeSettingsBody(const ZqPingSettings& s) {
  std::string body(kBodySize, '\0');
  const std::span<std::byte> b = std::as_writable_bytes(std::span(body.data(), body.size()));
  le::PutU32(b, Body(kSettingsPingNumberOffset), s.pingNumber);
  le::PutU16(b, Body(kSettingsDeviceEnumOffset), s.projectorDeviceEnum);
  le::PutU16(b, Body(kSettingsFlagsOffset), s.flags);
  le::PutF32(b, Body(kSettingsFrequencyOffset), s.frequencyHz);
  le::PutF32(b, Body(kSettingsRangeOffset), s.rangeM);
  le::PutF32(b, Body(kSettingsPowerOffset), s.powerDb);
  le::PutF32(b, Body(kSettingsPulseLengthOffset), s.pulseLengthS);
  le::PutU32(b, Body(kSettingsGainModeOffset), s.gainMode);
  le::PutF32(b, Body(kSettingsGainOffset), s.gainDb);
  le::PutF32(b, Body(kSettingsMaxPingRateOffset), s.maxPingRate);
  le::PutF32(b, Body(kSettingsBeamWidthXOffset), s.beamWidthXRad);
  le::PutF32(b, Body(kSettingsBeamWidthZOffset), s.beamWidthZRad);
  le::PutF32(b, Body(kSettingsVerticalSteeringOffset), s.verticalSteeringRad);
  le::PutF32(b, Body(kSettingsHorizontalSteeringOffset), s.horizontalSteeringRad);
  le::PutF32(b, Body(kSettingsAbsorptionOffset), s.absorptionDbPerKm);
  le::PutF32(b, Body(kSettingsSpreadingOffset), s.spreadingDb);
  le::PutF32(b, Body(kSettingsSoundVelocityOffset), s.soundVelocity);
  le::PutU32(b, Body(kSettingsRecordingModeOffset), s.recordingMode);
  le::PutU32(b, Body(kSettingsDiskFreeOffset), s.diskFreePercent);
  le::PutU64(b, Body(kSettingsFileSizeOffset), s.fileSizeBytes);
  PutName(b, Body(kSettingsDirectoryOffset), s.directoryName);
  PutName(b, Body(kSettingsFileNameOffset), s.fileName);
  return body;
}

std::optional<ZqPingSettings> DecodeSettings(std::span<const std::byte> record) {
  const le::ByteReader r(record);
  if (!r.Fits(0, kSettingsRecordSize - kTrailerSize)) return std::nullopt;
  ZqPingSettings s;
  s.pingNumber = *r.U32(kSettingsPingNumberOffset);
  s.projectorDeviceEnum = *r.U16(kSettingsDeviceEnumOffset);
  s.flags = *r.U16(kSettingsFlagsOffset);
  s.frequencyHz = *r.F32(kSettingsFrequencyOffset);
  s.rangeM = *r.F32(kSettingsRangeOffset);
  s.powerDb = *r.F32(kSettingsPowerOffset);
  s.pulseLengthS = *r.F32(kSettingsPulseLengthOffset);
  s.gainMode = *r.U32(kSettingsGainModeOffset);
  s.gainDb = *r.F32(kSettingsGainOffset);
  s.maxPingRate = *r.F32(kSettingsMaxPingRateOffset);
  s.beamWidthXRad = *r.F32(kSettingsBeamWidthXOffset);
  s.beamWidthZRad = *r.F32(kSettingsBeamWidthZOffset);
  s.verticalSteeringRad = *r.F32(kSettingsVerticalSteeringOffset);
  s.horizontalSteeringRad = *r.F32(kSettingsHorizontalSteeringOffset);
  s.absorptionDbPerKm = *r.F32(kSettingsAbsorptionOffset);
  s.spreadingDb = *r.F32(kSettingsSpreadingOffset);
  s.soundVelocity = *r.F32(kSettingsSoundVelocityOffset);
  s.recordingMode = *r.U32(kSettingsRecordingModeOffset);
  s.diskFreePercent = *r.U32(kSettingsDiskFreeOffset);
  s.fileSizeBytes = *r.U64(kSettingsFileSizeOffset);
  s.directoryName = ReadName(r, kSettingsDirectoryOffset);
  s.fileName = ReadName(r, kSettingsFileNameOffset);
  return s;
}

}  // namespace zqwire
