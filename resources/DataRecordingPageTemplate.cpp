// Template of the "Data Recording" tab: the recording control (synchronisation with the host's
// logging, Start and Stop) above the recording status (read-only fields). Positions in dialog units.
#include "resources/KavoResources.h"
#include "resources/ResourceIds.h"

namespace {

constexpr unsigned long kRecordingShown = WS_CHILD | WS_VISIBLE;
constexpr unsigned long kRecordingButton = kRecordingShown | WS_TABSTOP | WS_DISABLED;
constexpr unsigned long kRecordingField = kRecordingShown | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL;
constexpr AfxWindowKind kRecordingLabel = AfxWindowKind::kStatic;
constexpr AfxWindowKind kRecordingGroup = AfxWindowKind::kGroupBox;
constexpr AfxWindowKind kRecordingEdit = AfxWindowKind::kEdit;

constexpr DialogControlTemplate kRecordingControls[] = {
    {IDC_RECORDING_SYNC, AfxWindowKind::kCheckBox, "Synchronize with ORV logging", 15, 20, 134, 10,
     kRecordingShown | WS_TABSTOP},
    {IDC_RECORDING_START, AfxWindowKind::kButton, "Start", 15, 35, 50, 14, kRecordingButton},
    {IDC_RECORDING_STOP, AfxWindowKind::kButton, "Stop", 70, 35, 50, 14, kRecordingButton},
    {0, kRecordingGroup, "Recording control", 5, 3, 210, 52, kRecordingShown},
    {0, kRecordingGroup, "Recording status", 5, 60, 210, 100, kRecordingShown},
    {0, kRecordingLabel, "Recording mode:", 15, 76, 55, 8, kRecordingShown},
    {0, kRecordingLabel, "Directory name:", 15, 93, 52, 8, kRecordingShown},
    {0, kRecordingLabel, "Filename:", 15, 108, 52, 8, kRecordingShown},
    {0, kRecordingLabel, "File size", 15, 124, 52, 8, kRecordingShown},
    {0, kRecordingLabel, "Free diskspace:", 15, 141, 51, 8, kRecordingShown},
    {IDC_RECORDING_MODE, kRecordingEdit, "", 75, 75, 40, 14, kRecordingField},
    {IDC_RECORDING_DIRECTORY, kRecordingEdit, "", 75, 91, 135, 14, kRecordingField},
    {IDC_RECORDING_FILE_NAME, kRecordingEdit, "", 75, 107, 135, 14, kRecordingField},
    {IDC_RECORDING_FILE_SIZE, kRecordingEdit, "", 75, 123, 40, 14, kRecordingField},
    {IDC_RECORDING_DISK_FREE, kRecordingEdit, "", 75, 139, 40, 14, kRecordingField},
};

}  // namespace

const DialogTemplate kDataRecordingPageTemplate{IDD_KAVO_DATA_RECORDING_PAGE, "", 221, 166, WS_CHILD,
                                                kRecordingControls,           {}};
