// The beam-mode-dependent attributes of a sonar device.
#include "platform/zq/KavoUtils.h"

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/CDataId.h"

namespace {
constexpr const char* kBeamModeDependentKeys[] = {"ZqMaxCoverage", "GUIMinAngle", "GUIMaxAngle"};
}  // namespace

void KavoUtils::AddBeamModeAttribs(const CDataId& /*id*/, CAttributeMap& attributes) {
  int mode = 0;
  if (!attributes.FindValue("ZqBeamModeSelection").GetValue(mode)) return;
  const CAttributeMap* limits = attributes.Find("ZqBeamMode", mode);
  if (limits == nullptr) return;
  for (const char* key : kBeamModeDependentKeys) {
    const COrvType& value = limits->FindValue(key);
    if (!value.IsEmpty()) attributes.Add(key, value);
  }
}
