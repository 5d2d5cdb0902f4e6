// Transmit and receive settings: the FM sweep and CW frequencies, the projector beam widths, the gain
// mode and the pulse type. The attributes hold kilohertz and degrees; the records carry hertz and
// radians.
#include <array>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "control/RequestKeys.h"
#include "control/RequestValues.h"
#include "control/Units.h"
#include "platform/tavrin/LittleEndian.h"

using namespace request_keys;

namespace {

constexpr unsigned long kPulseTypeId = 1007;
constexpr unsigned long kGainModeId = 1017;
constexpr unsigned long kBeamWidthsId = 1022;
constexpr unsigned long kCwFrequencyId = 1026;
constexpr unsigned long kFmFrequencyId = 1027;
// The record type that the sonar is asked to send once after every pulse-type request.
constexpr unsigned long kPulseTypeFollowUpRecordType = 7503;

// FM sweep: f32 start and stop in hertz. CW: f32 in hertz. Beam widths: f32 across (X) and along (Z)
// in radians.
// Gain mode: i32.
constexpr std::size_t kGainModeSize = 4;

const char* const kGainAltKey = "ZqGainAlt";

}  // namespace

void KavoSonarConfigurationControlDevice::RequestFrequencyFM() {
  // A request for one end of the sweep sends the other end as it stands.
  RequestFloatSettings(kFmFrequencyId, {{kFmStartKey, units::Hertz}, {kFmStopKey, units::Hertz}});
}

void KavoSonarConfigurationControlDevice::RequestFrequencyCW() {
  RequestFloatSettings(kCwFrequencyId, {{kCwFrequencyKey, units::Hertz}});
}

void KavoSonarConfigurationControlDevice::RequestProjectorBeamWidths() {
  RequestFloatSettings(kBeamWidthsId, {{kBeamWidthXKey, units::Radians}, {kBeamWidthZKey, units::Radians}});
}

void KavoSonarConfigurationControlDevice::RequestGainMode() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  // Only an explicit request counts: the stored mode is what the request is compared with below.
  int mode = 0;
  if (!values.FromRequest(kGainModeKey, mode)) return;

  std::array<std::byte, kGainModeSize> payload{};
  le::PutI32(payload, 0, mode);
  SendRemoteControlRecord(kGainModeId, payload.data(), payload.size(), -1);

  // Each gain mode keeps a gain of its own. On a change of mode the two stored gains change places:
  // "ZqGain" then holds the gain of the new mode and "ZqGainAlt" that of the mode left. A stored mode
  // that cannot be read gives nothing to compare with, so the stored settings stay as they are.
  int storedMode = 0;
  if (values.FromStored(kGainModeKey, storedMode) && storedMode != mode) {
    double gain = 0.0;
    double alternativeGain = 0.0;
    if (values.FromStored(kGainKey, gain) && values.FromStored(kGainAltKey, alternativeGain)) {
      values.Store(kGainKey, alternativeGain);
      values.Store(kGainAltKey, gain);
    }
    values.Store(kGainModeKey, mode);
  }
  values.Consume({kGainModeKey});
}

void KavoSonarConfigurationControlDevice::RequestPulseType() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.Has(kPulseTypeKey)) return;

  RequestValue(static_cast<int>(kPulseTypeId), kPulseTypeKey, PARM_INT);
  // Asked for after every pulse-type request, also one whose value could not be read and still waits.
  SingleRecordRequest(kPulseTypeFollowUpRecordType, -1);
}
