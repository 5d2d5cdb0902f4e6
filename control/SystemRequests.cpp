// Requests that concern the sonar system as a whole: calibration, system mode, the projector in use,
// factory parameters, a second head joined as a slave, and the installation identifiers and geometry.
#include <array>
#include <cstdint>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "control/RequestKeys.h"
#include "control/RequestValues.h"
#include "platform/tavrin/LittleEndian.h"

using namespace request_keys;

namespace {

constexpr unsigned long kCalibrationId = 1002;
constexpr unsigned long kNewDeviceEnumId = 1011;
constexpr unsigned long kSystemModeId = 1014;
constexpr unsigned long kPingOnId = 1100;
constexpr unsigned long kPingOffId = 1101;
constexpr unsigned long kLoadFactoryParamsId = 1102;
constexpr unsigned long kDualHeadId = 1500;
constexpr unsigned long kInstallationRecordType = 1020;
constexpr unsigned long kSettingsRecordType = 7503;

// Dual-head connect: u32 1, u32 slave address, f32 1.0, zero to byte 56.
constexpr std::size_t kConnectSize = 56;
constexpr std::size_t kSlaveAddressOffset = 4;
constexpr std::size_t kConnectScaleOffset = 8;

// Installation record: five u32 identifiers, the ten geometry values of the first unit, those of the
// second unit, the frequency, zero to byte 164.
constexpr std::size_t kInstallationSize = 164;
constexpr std::size_t kFirstUnitOffset = 20;
constexpr std::size_t kSecondUnitOffset = 60;
constexpr std::size_t kFrequencyOffset = 100;

const char* const kUnitKey = "ZqMBesXYZ";
const char* const kFrequencyKey = "ZqMBesXYZFrequency";

// The identifiers in record order, one u32 each from byte 0.
constexpr std::array<const char*, 5> kIdentifierKeys = {
    "ZqMBesXYZSonarId", "ZqMBesXYZTXUnitID", "ZqMBesXYZRXUnitID", "ZqMBesXYZNumber", "ZqMBesXYZFixedParams"};
// A unit's geometry in record order, one f32 each.
constexpr std::array<const char*, 10> kGeometryKeys = {
    "ZqMBesXYZLength",      "ZqMBesXYZWidth",    "ZqMBesXYZHeight",  "ZqMBesXYZRadius",
    "ZqMBesXYZOffsetX",     "ZqMBesXYZOffsetY",  "ZqMBesXYZOffsetZ", "ZqMBesXYZOffsetRoll",
    "ZqMBesXYZOffsetPitch", "ZqMBesXYZOffsetYaw"};

// Reads key from map into value; a missing map or value leaves value as it was.
template <typename T>
void ReadIfThere(const CAttributeMap* map, const char* key, T& value) {
  unsigned flags = 0;
  if (map != nullptr) map->GetAttribValue(key, value, flags);
}

}  // namespace

void KavoSonarConfigurationControlDevice::RequestCalibrationControl() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.Has(kCalibrationControlKey) || !values.Has(kCalibrationCommandKey)) return;
  int command = 0;
  if (!values.FromRequest(kCalibrationCommandKey, command)) return;

  std::array<std::byte, 2> payload{};
  le::PutU16(payload, 0, static_cast<std::uint16_t>(command));
  SendRemoteControlRecord(kCalibrationId, payload.data(), payload.size(), -1);

  values.Consume({kCalibrationControlKey, kCalibrationCommandKey});
}

void KavoSonarConfigurationControlDevice::RequestSystemMode() {
  RequestModeNumber(kSystemModeId, kSystemModeKey, 2, 4);  // a u16, then two zero bytes
}

void KavoSonarConfigurationControlDevice::RequestNewProjector() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  int newDeviceEnum = 0;
  if (!values.FromRequest(kDeviceEnumKey, newDeviceEnum)) return;
  // The projector in use and whether it pings, as the device's settings have them. Without a stored
  // projector, -1 addresses this device's own head.
  int oldDeviceEnum = -1;
  int pingState = 0;
  values.FromStored(kDeviceEnumKey, oldDeviceEnum);
  values.FromStored(kPingOnOffStateKey, pingState);

  // The old projector stops pinging and is told which projector takes over; the new one pings only
  // if pinging was on.
  SendRemoteControlRecord(kPingOffId, nullptr, 0, oldDeviceEnum);
  std::array<std::byte, 4> payload{};
  le::PutI32(payload, 0, newDeviceEnum);
  SendRemoteControlRecord(kNewDeviceEnumId, payload.data(), payload.size(), oldDeviceEnum);
  if (pingState == 1) SendRemoteControlRecord(kPingOnId, nullptr, 0, newDeviceEnum);

  values.Consume({kDeviceEnumKey});
  values.Store(kDeviceEnumKey, newDeviceEnum);
}

void KavoSonarConfigurationControlDevice::RequestLoadFactoryParams() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.Has(kLoadFactoryKey)) return;

  SendRemoteControlRecord(kLoadFactoryParamsId, nullptr, 0, -1);
  values.Consume({kLoadFactoryKey});
  // The sonar's settings after the reset come back in the record it sends on request.
  SingleRecordRequest(kSettingsRecordType, -1);
}

void KavoSonarConfigurationControlDevice::RequestDisconnectSlave() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.Has(kDisconnectKey)) return;

  const std::array<std::byte, 4> payload{};  // no slave: u32 0
  SendRemoteControlRecord(kDualHeadId, payload.data(), payload.size(), -1);
  values.Consume({kDisconnectKey});
}

void KavoSonarConfigurationControlDevice::RequestConnectSlave() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.Has(kConnectKey) || !values.Has(kSlaveAddressKey)) return;
  int address = 0;  // an address that cannot be read goes out as 0
  values.FromRequest(kSlaveAddressKey, address);

  std::array<std::byte, kConnectSize> payload{};
  le::PutU32(payload, 0, 1);
  le::PutU32(payload, kSlaveAddressOffset, static_cast<std::uint32_t>(address));
  le::PutF32(payload, kConnectScaleOffset, 1.0F);
  SendRemoteControlRecord(kDualHeadId, payload.data(), payload.size(), -1);

  values.Consume({kConnectKey, kSlaveAddressKey});
}

void KavoSonarConfigurationControlDevice::UpdateSonarInstallationIdentifiers() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.Has(kInstallationKey)) return;
  // What cannot be read goes out as zero: a missing child map reads as one without values.
  const CAttributeMap* info = request->Find(kInstallationKey, 0);
  const CAttributeMap* firstUnit = info != nullptr ? info->Find(kUnitKey, 0) : nullptr;
  const CAttributeMap* secondUnit = info != nullptr ? info->Find(kUnitKey, 1) : nullptr;

  std::array<std::byte, kInstallationSize> body{};
  for (std::size_t i = 0; i < kIdentifierKeys.size(); ++i) {
    int identifier = 0;
    ReadIfThere(info, kIdentifierKeys[i], identifier);
    le::PutU32(body, 4 * i, static_cast<std::uint32_t>(identifier));
  }
  double frequency = 0.0;
  ReadIfThere(info, kFrequencyKey, frequency);

  // The second unit is read first; the first unit's reads go into the same values, so a value that
  // the first unit lacks repeats the second unit's.
  std::array<double, kGeometryKeys.size()> geometry{};
  for (std::size_t i = 0; i < geometry.size(); ++i) {
    ReadIfThere(secondUnit, kGeometryKeys[i], geometry[i]);
    le::PutF32(body, kSecondUnitOffset + 4 * i, static_cast<float>(geometry[i]));
  }
  for (std::size_t i = 0; i < geometry.size(); ++i) {
    ReadIfThere(firstUnit, kGeometryKeys[i], geometry[i]);
    le::PutF32(body, kFirstUnitOffset + 4 * i, static_cast<float>(geometry[i]));
  }
  le::PutF32(body, kFrequencyOffset, static_cast<float>(frequency));
  SendRecord(kInstallationRecordType, body.data(), body.size());

  values.Consume({kInstallationKey});
}
