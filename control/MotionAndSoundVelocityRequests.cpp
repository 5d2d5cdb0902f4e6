// What the sonar takes from outside sensors: the motion sensor on its data line, whether beams are
// compensated for roll and pitch, and the sound velocity that the operator enters by hand.
#include <array>
#include <cstdint>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "control/RequestKeys.h"
#include "control/RequestValues.h"
#include "platform/tavrin/LittleEndian.h"

using namespace request_keys;

namespace {

constexpr unsigned long kMotionCompensationId = 1033;
constexpr unsigned long kMotionSensorId = 1037;
constexpr unsigned long kManualSoundVelocityId = 7610;

// Motion sensor: six u8 codes, then the latency as f32 at byte 6 (unaligned), zero to byte 31.
constexpr std::size_t kLatencyOffset = 6;
constexpr std::size_t kMotionSensorSize = 31;
// Motion compensation: u8 roll, u8 pitch, zero to byte 12.
constexpr std::size_t kRollOffset = 0;
constexpr std::size_t kPitchOffset = 1;
constexpr std::size_t kMotionCompensationSize = 12;
// Manual sound velocity: u16 flags, f32 sound velocity, u8 filter, zero to byte 10.
constexpr std::size_t kFlagsOffset = 0;
constexpr std::size_t kSoundVelocityOffset = 2;
constexpr std::size_t kFilterOffset = 6;
constexpr std::size_t kManualSoundVelocitySize = 10;
constexpr std::uint16_t kOverrideOn = 1;
constexpr std::uint16_t kNoSoundVelocity = 2;
constexpr std::uint16_t kFilterGiven = 4;

// The sensor's codes in payload order, one u8 each from byte 0.
constexpr std::size_t kSensorCodeCount = 6;
const std::array<const char*, kSensorCodeCount> kSensorCodeKeys = {kSensorFormatKey,   kSensorBaudrateKey,
                                                                   kSensorParityKey,   kSensorDataBitsKey,
                                                                   kSensorStopBitsKey, kSensorOrientationKey};

}  // namespace

void KavoSonarConfigurationControlDevice::RequestMotionSensorConfiguration() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.HasAny({kSensorFormatKey, kSensorBaudrateKey, kSensorParityKey, kSensorDataBitsKey,
                      kSensorStopBitsKey, kSensorOrientationKey, kSensorLatencyKey})) {
    return;
  }

  // The sonar takes the whole configuration at once: what the request leaves out comes from the
  // device's current settings, and a setting known nowhere keeps the request waiting.
  std::array<int, kSensorCodeCount> codes{};
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (!values.Resolve(kSensorCodeKeys[i], codes[i])) return;
  }
  double latency = 0.0;
  if (!values.Resolve(kSensorLatencyKey, latency)) return;

  std::array<std::byte, kMotionSensorSize> payload{};
  for (std::size_t i = 0; i < codes.size(); ++i) le::PutU8(payload, i, static_cast<std::uint8_t>(codes[i]));
  le::PutF32(payload, kLatencyOffset, static_cast<float>(latency));
  SendRemoteControlRecord(kMotionSensorId, payload.data(), payload.size(), -1);

  values.Consume({kSensorFormatKey, kSensorBaudrateKey, kSensorParityKey, kSensorDataBitsKey,
                  kSensorStopBitsKey, kSensorOrientationKey, kSensorLatencyKey});
  for (std::size_t i = 0; i < codes.size(); ++i) values.Store(kSensorCodeKeys[i], codes[i]);
  values.Store(kSensorLatencyKey, latency);
}

void KavoSonarConfigurationControlDevice::RequestMotionCompensation() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.HasAny({kCompensationRollKey, kCompensationPitchKey})) return;
  bool roll = false;
  bool pitch = false;
  if (!values.Resolve(kCompensationRollKey, roll) || !values.Resolve(kCompensationPitchKey, pitch)) return;

  std::array<std::byte, kMotionCompensationSize> payload{};
  le::PutU8(payload, kRollOffset, roll ? 1 : 0);
  le::PutU8(payload, kPitchOffset, pitch ? 1 : 0);
  SendRemoteControlRecord(kMotionCompensationId, payload.data(), payload.size(), -1);

  values.Consume({kCompensationRollKey, kCompensationPitchKey});
  values.Store(kCompensationRollKey, roll);
  values.Store(kCompensationPitchKey, pitch);
}

void KavoSonarConfigurationControlDevice::RequestManualSoundVelocity() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.HasAny({kSoundVelocityKey, kSoundVelocityOverrideKey, kSoundVelocityFilterKey})) return;

  // The override is part of every such record, so it must be known; the sound velocity and the
  // filter go out only when this request carries them, and the flags tell the sonar which it does.
  bool override = false;
  if (!values.Resolve(kSoundVelocityOverrideKey, override)) return;
  std::uint16_t flags = override ? kOverrideOn : 0;
  double soundVelocity = 0.0;
  const bool hasSoundVelocity = values.FromRequest(kSoundVelocityKey, soundVelocity);
  if (!hasSoundVelocity) flags |= kNoSoundVelocity;
  int filter = 0;
  const bool hasFilter = values.FromRequest(kSoundVelocityFilterKey, filter);
  if (hasFilter) flags |= kFilterGiven;

  std::array<std::byte, kManualSoundVelocitySize> payload{};
  le::PutU16(payload, kFlagsOffset, flags);
  le::PutF32(payload, kSoundVelocityOffset, static_cast<float>(soundVelocity));
  le::PutU8(payload, kFilterOffset, static_cast<std::uint8_t>(filter));
  SendRemoteControlRecord(kManualSoundVelocityId, payload.data(), payload.size(), -1);

  values.Consume({kSoundVelocityKey, kSoundVelocityOverrideKey, kSoundVelocityFilterKey});
  if (hasSoundVelocity) values.Store(kSoundVelocityKey, soundVelocity);
  values.Store(kSoundVelocityOverrideKey, override);
  if (hasFilter) values.Store(kSoundVelocityFilterKey, filter);
}
