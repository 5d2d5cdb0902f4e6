// How the sonar forms and steers its receive swath: the beam mode, the coverage mode, the coverage
// sector, the sector of the flexible coverage mode, and the reset to the full swath of the beam mode.
#include "control/KavoSonarConfigurationControlDevice.h"
#include "control/RequestKeys.h"
#include "control/RequestValues.h"
#include "control/Units.h"
#include "platform/zq/KavoUtils.h"

using namespace request_keys;

namespace {

constexpr unsigned long kCoverageSectorId = 1035;
constexpr unsigned long kCoverageModeId = 1036;
constexpr unsigned long kFlexModeId = 1038;
constexpr unsigned long kBeamModeId = 1039;

const char* const kMaxCoverageKey = "ZqMaxCoverage";
const char* const kMinAngleKey = "GUIMinAngle";
const char* const kMaxAngleKey = "GUIMaxAngle";

// The flexible-mode sector that a coverage reset starts from.
constexpr double kDefaultFlexCoverage = 45.0;
constexpr double kDefaultFlexSteering = 0.0;
constexpr double kDefaultFlexSpacing = 0.02;

}  // namespace

void KavoSonarConfigurationControlDevice::RequestBeamMode() {
  // A u16. The swath limits follow the beam mode; the coverage reset reads them from the top of the map.
  if (RequestModeNumber(kBeamModeId, kBeamModeKey, 2, 2))
    KavoUtils::AddBeamModeAttribs(GetDataId(), GetAttributes());
}

void KavoSonarConfigurationControlDevice::RequestResetCoverage() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  bool reset = false;  // any readable value asks for the reset
  if (!values.FromRequest(kResetCoverageKey, reset)) return;

  // The full swath of the beam mode, centred, cut to the limits the operator may steer to. A limit or
  // maximum that the device does not hold counts as 0.
  double maxCoverage = 0.0;
  values.FromStored(kMaxCoverageKey, maxCoverage);
  double lower = -maxCoverage / 2.0;
  double upper = maxCoverage / 2.0;
  double minAngle = 0.0;
  double maxAngle = 0.0;
  values.FromStored(kMinAngleKey, minAngle);
  values.FromStored(kMaxAngleKey, maxAngle);
  if (minAngle > lower) lower = minAngle;
  if (maxAngle < upper) upper = maxAngle;

  // Sent by the coverage-sector and flexible-mode requests later in this pass.
  request->Add(kCoverageAngleKey, COrvDouble(upper - lower));
  request->Add(kRxSteeringKey, COrvDouble((lower + upper) / 2.0));
  request->Add(kFlexCoverageKey, COrvDouble(kDefaultFlexCoverage));
  request->Add(kFlexSteeringKey, COrvDouble(kDefaultFlexSteering));
  request->Add(kFlexSpacingKey, COrvDouble(kDefaultFlexSpacing));
  values.Consume({kResetCoverageKey});
}

void KavoSonarConfigurationControlDevice::RequestCoverageSector() {
  // A request for one angle sends the other as the device holds it.
  RequestFloatSettings(kCoverageSectorId,
                       {{kCoverageAngleKey, units::Radians}, {kRxSteeringKey, units::Radians}});
}

void KavoSonarConfigurationControlDevice::RequestCoverageMode() {
  RequestModeNumber(kCoverageModeId, kCoverageModeKey, 1, 1);  // a u8
}

void KavoSonarConfigurationControlDevice::RequestFlexModeParams() {
  // The outside spacing is in the sonar's own unit and goes out unconverted.
  RequestFloatSettings(kFlexModeId, {{kFlexCoverageKey, units::Radians},
                                     {kFlexSteeringKey, units::Radians},
                                     {kFlexSpacingKey, units::Single}});
}
