// Run-time classes of the ocean and recording tabs.
#include "views/config/KavoDataRecordingPage.h"
#include "views/config/KavoOceanMenuPage.h"

IMPLEMENT_DYNAMIC(KavoOceanMenuPage, CDialog)
IMPLEMENT_DYNAMIC(KavoDataRecordingPage, CDialog)
