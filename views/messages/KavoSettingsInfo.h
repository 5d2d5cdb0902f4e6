// What the system messages view keeps per sonar: whether the sonar's board table is loaded, and the
// prepared request that asks the sonar for its configuration record.
#pragma once

#include "platform/afx/CString.h"
#include "platform/tavrin/MultiBeamInfo.h"

class KavoSettingsInfo : public MultiBeamSettingsInfo {
  DECLARE_DYNAMIC(KavoSettingsInfo)

 public:
  KavoSettingsInfo() = default;
  ~KavoSettingsInfo() override;

  // The result of the latest board table load for this sonar.
  bool biteConfigLoaded = false;
  // The whole remote-control record asking the sonar for its configuration (single record request
  // 1050 for record type 7003, to device identifier 7000, device enum 0).
  CString configRequest;
};

// The configuration request every sonar's settings info carries.
CString BuildConfigurationRequest();
