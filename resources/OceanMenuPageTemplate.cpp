// Template of the "Ocean Menu" tab: one row per water-column value, caption on the left, then the
// lower limit, the bar, the upper limit and the value; the sound velocity override below. Positions
// in dialog units.
#include "resources/KavoResources.h"
#include "resources/ResourceIds.h"

namespace {

constexpr unsigned long kOceanShown = WS_CHILD | WS_VISIBLE;
constexpr unsigned long kOceanBar = kOceanShown | WS_TABSTOP | SBS_HORZ;
constexpr unsigned long kOceanLowerLimit = kOceanShown | SS_RIGHT;
constexpr AfxWindowKind kOceanStatic = AfxWindowKind::kStatic;
constexpr AfxWindowKind kOceanScrollBar = AfxWindowKind::kScrollBar;

// Columns of a bar row.
constexpr int kOceanCaptionX = 6, kOceanCaptionWidth = 52;
constexpr int kOceanMinX = 58, kOceanMinWidth = 24;
constexpr int kOceanBarX = 84, kOceanBarWidth = 56;
constexpr int kOceanMaxX = 142, kOceanMaxWidth = 26;
constexpr int kOceanValueX = 170, kOceanValueWidth = 44;  // room for "1487.3 m/s" and "120.0 dB/km"
constexpr int kOceanRowHeight = 9, kOceanBarHeight = 10;

constexpr DialogControlTemplate kOceanControls[] = {
    {0, kOceanStatic, "Absorption:", kOceanCaptionX, 10, kOceanCaptionWidth, kOceanRowHeight, kOceanShown},
    {0, kOceanStatic, "0.0", kOceanMinX, 10, kOceanMinWidth, kOceanRowHeight, kOceanLowerLimit},
    {IDC_ABSORPTION_BAR, kOceanScrollBar, "", kOceanBarX, 10, kOceanBarWidth, kOceanBarHeight, kOceanBar},
    {0, kOceanStatic, "120.0", kOceanMaxX, 10, kOceanMaxWidth, kOceanRowHeight, kOceanShown},
    {IDC_ABSORPTION_VALUE, kOceanStatic, "70.0 dB/km", kOceanValueX, 10, kOceanValueWidth, kOceanRowHeight,
     kOceanShown},

    {0, kOceanStatic, "Spreading:", kOceanCaptionX, 28, kOceanCaptionWidth, kOceanRowHeight, kOceanShown},
    {0, kOceanStatic, "0.0", kOceanMinX, 28, kOceanMinWidth, kOceanRowHeight, kOceanLowerLimit},
    {IDC_SPREADING_BAR, kOceanScrollBar, "", kOceanBarX, 28, kOceanBarWidth, kOceanBarHeight, kOceanBar},
    {0, kOceanStatic, "60.0", kOceanMaxX, 28, kOceanMaxWidth, kOceanRowHeight, kOceanShown},
    {IDC_SPREADING_VALUE, kOceanStatic, "30.0 dB", kOceanValueX, 28, kOceanValueWidth, kOceanRowHeight,
     kOceanShown},

    {0, kOceanStatic, "Sound velocity:", kOceanCaptionX, 46, kOceanCaptionWidth, kOceanRowHeight,
     kOceanShown},
    {0, kOceanStatic, "1400.0", kOceanMinX, 46, kOceanMinWidth, kOceanRowHeight, kOceanLowerLimit},
    {IDC_SOUND_VELOCITY_BAR, kOceanScrollBar, "", kOceanBarX, 46, kOceanBarWidth, kOceanBarHeight, kOceanBar},
    {0, kOceanStatic, "1600.0", kOceanMaxX, 46, kOceanMaxWidth, kOceanRowHeight, kOceanShown},
    {IDC_SOUND_VELOCITY_VALUE, kOceanStatic, "1500.0 m/s", kOceanValueX, 46, kOceanValueWidth,
     kOceanRowHeight, kOceanShown},

    {IDC_SOUND_VELOCITY_OVERRIDE, AfxWindowKind::kCheckBox, "Override sound velocity", kOceanBarX, 62, 100,
     kOceanBarHeight, kOceanShown | WS_TABSTOP},
};

}  // namespace

const DialogTemplate kOceanMenuPageTemplate{IDD_KAVO_OCEAN_MENU_PAGE, "", 216, 185, WS_CHILD,
                                            kOceanControls,           {}};
