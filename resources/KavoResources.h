// The plug-in's resources: its dialog templates and its string table, as the framework finds them
// through the plug-in's extension module.
#pragma once

#include "platform/afx/DialogTemplate.h"

const AfxResourceTable& KavoResources();

// The templates, one source each.
extern const DialogTemplate kSonarConfigurationViewTemplate;
extern const DialogTemplate kOceanMenuPageTemplate;
extern const DialogTemplate kSonarSettingsPageTemplate;
extern const DialogTemplate kDataRecordingPageTemplate;
