// Run-time class of the settings info, for the views' type tests.
#include "platform/tavrin/MultiBeamInfo.h"

IMPLEMENT_DYNAMIC(MultiBeamSettingsInfo, CObject)
