// The generic requests: one value sent as it stands (or in radians for a steering pair), and on/off
// switches.
#include <array>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "tavrin/CExTime.h"
#include "tavrin/LittleEndian.h"

namespace {
const CString kDataRecordingKey = "ZqDataRecording";
// Start recording with no file name: u32 0 and an empty 256-byte name field.
constexpr std::size_t kStartRecordingPayloadSize = 260;
constexpr unsigned long kStartRecordingId = 1200;

bool IsSingleValueRecordType(int id) {
  return id >= 7600 && id < 7700;
}
}  // namespace

void KavoSonarConfigurationControlDevice::RequestValue(int id, const CString& key, PARMTYPE type) {
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
        const auto single = static_cast<float>(value);
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
        le::PutF32(payload, 0, static_cast<float>(first * D_TO_R));
        le::PutF32(payload, 4, static_cast<float>(second * D_TO_R));
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

void KavoSonarConfigurationControlDevice::RequestOnOff(int onId, int offId, const CString& key) {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  int value = 0;
  if (!request->FindValue(key).GetValue(value)) return;

  if (value == 0) {
    SendRemoteControlRecord(static_cast<unsigned long>(offId), nullptr, 0, -1);
  } else if (key == kDataRecordingKey) {
    const std::array<std::byte, kStartRecordingPayloadSize> noFileName{};
    SendRemoteControlRecord(kStartRecordingId, noFileName.data(), noFileName.size(), -1);
  } else {
    SendRemoteControlRecord(static_cast<unsigned long>(onId), nullptr, 0, -1);
  }
  request->Remove(key);
  GetAttributes().Add(key, COrvInt(value));
}
