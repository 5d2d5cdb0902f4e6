// The generic requests: one value sent as it stands (or in radians for a steering pair), and on/off
// switches.
#include <array>

#include <cassert>
#include <cstdint>
#include <string_view>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "control/RequestKeys.h"
#include "control/RequestValues.h"
#include "control/Units.h"
#include "platform/tavrin/LittleEndian.h"

using namespace request_keys;

namespace {
// The longest row of single-precision settings a record carries: the five absolute gates.
constexpr std::size_t kMaxFloatSettings = 5;
// The longest payload of a mode number: the system mode, a u16 followed by two zero bytes.
constexpr std::size_t kMaxModePayload = 4;

bool IsSingleValueRecordType(int id) {
  return id >= 7600 && id < 7700;
}
}  // namespace

void KavoSonarConfigurationControlDevice::RequestValue(int id, const char* key, PARMTYPE type) {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  const COrvType& requested = request->FindValue(key);

  // Reads the value as its type and sends it; false when it cannot be read (the request stays).
  COrvType stored;  // the value as read, in attribute units, for the device's attribute map
  const auto readAndSend = [&]() -> bool {
    switch (type) {
      case PARM_INT: {
        int value = 0;
        if (!requested.GetValue(value)) return false;
        std::array<std::byte, 4> payload{};
        le::PutI32(payload, 0, value);
        SendRemoteControlRecord(static_cast<unsigned long>(id), payload.data(), payload.size(), -1);
        stored.SetValue(value);
        return true;
      }
      case PARM_DOUBLE: {
        double value = 0.0;
        if (!requested.GetValue(value)) return false;
        const float single = units::Single(value);
        if (IsSingleValueRecordType(id)) {
          Send76xxRecord(static_cast<unsigned long>(id), single);
        } else {
          std::array<std::byte, 4> payload{};
          le::PutF32(payload, 0, single);
          SendRemoteControlRecord(static_cast<unsigned long>(id), payload.data(), payload.size(), -1);
        }
        stored.SetValue(value);
        return true;
      }
      case PARM_DOUBLE_2D: {
        double first = 0.0;
        double second = 0.0;
        if (!requested.GetValue(first, second)) return false;
        std::array<std::byte, 8> payload{};
        le::PutF32(payload, 0, units::Radians(first));
        le::PutF32(payload, 4, units::Radians(second));
        SendRemoteControlRecord(static_cast<unsigned long>(id), payload.data(), payload.size(), -1);
        stored.SetValue(first, second);
        return true;
      }
    }
    return false;  // a type outside PARMTYPE reads nothing
  };
  if (!readAndSend()) return;

  request->Remove(key);
  GetAttributes().Add(key, stored);
}

void KavoSonarConfigurationControlDevice::RequestOnOff(int onId, int offId, const char* key) {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  int value = 0;
  if (!request->FindValue(key).GetValue(value)) return;

  if (value == 0) {
    SendRemoteControlRecord(static_cast<unsigned long>(offId), nullptr, 0, -1);
  } else if (std::string_view(key) == kDataRecordingKey) {
    SendStartRecording(CString());
  } else {
    SendRemoteControlRecord(static_cast<unsigned long>(onId), nullptr, 0, -1);
  }
  request->Remove(key);
  GetAttributes().Add(key, COrvInt(value));
}

void KavoSonarConfigurationControlDevice::RequestFloatSettings(unsigned long id,
                                                               std::initializer_list<FloatSetting> settings) {
  assert(settings.size() <= kMaxFloatSettings && "a row of settings longer than any record carries");
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  bool requested = false;
  for (const FloatSetting& setting : settings) requested = requested || values.Has(setting.key);
  if (!requested) return;

  std::array<double, kMaxFloatSettings> resolved{};
  std::array<std::byte, 4 * kMaxFloatSettings> payload{};
  std::size_t i = 0;
  for (const FloatSetting& setting : settings) {
    if (!values.Resolve(setting.key, resolved[i])) return;
    le::PutF32(payload, 4 * i, setting.toRecord(resolved[i]));
    ++i;
  }
  SendRemoteControlRecord(id, payload.data(), 4 * settings.size(), -1);

  for (const FloatSetting& setting : settings) values.Consume({setting.key});
  i = 0;
  for (const FloatSetting& setting : settings) values.Store(setting.key, resolved[i++]);
}

bool KavoSonarConfigurationControlDevice::RequestModeNumber(unsigned long id, const char* key,
                                                            std::size_t valueBytes, std::size_t payloadSize) {
  assert(valueBytes <= payloadSize && payloadSize <= kMaxModePayload &&
         "a mode payload longer than any record's");
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return false;
  RequestValues values(*request, GetAttributes());
  int mode = 0;
  if (!values.FromRequest(key, mode)) return false;

  std::array<std::byte, kMaxModePayload> payload{};
  const auto bits = static_cast<std::uint32_t>(mode);
  for (std::size_t i = 0; i < valueBytes; ++i)
    le::PutU8(payload, i, static_cast<std::uint8_t>(bits >> (8 * i)));
  SendRemoteControlRecord(id, payload.data(), payloadSize, -1);

  values.Consume({key});
  values.Store(key, mode);
  return true;
}
