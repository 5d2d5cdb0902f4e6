// The per-sonar settings info and its configuration request.
#include "views/messages/KavoSettingsInfo.h"

#include <array>

#include "control/KavoDataRecFrame.h"
#include "platform/tavrin/LittleEndian.h"

IMPLEMENT_DYNAMIC(KavoSettingsInfo, MultiBeamSettingsInfo)

namespace {

// The configuration request goes to the head a processing unit answers under by default.
constexpr int kConfigurationDeviceId = 7000;
constexpr int kConfigurationDeviceEnum = 0;

}  // namespace

KavoSettingsInfo::~KavoSettingsInfo() = default;

CString BuildConfigurationRequest() {
  std::array<std::byte, 4> payload{};
  le::PutU32(payload, 0, zqwire::kConfigurationRecordType);
  return zq::BuildRemoteControl(zq::kSingleRecordRequestId, payload.data(), payload.size(),
                                kConfigurationDeviceId, kConfigurationDeviceEnum, 0);
}
