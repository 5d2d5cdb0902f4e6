// Template of the "Sonar Settings" tab: one row per setting, caption on the left, then the lower
// limit, the bar, the upper limit and the value. Positions in dialog units.
#include "resources/KavoResources.h"
#include "resources/ResourceIds.h"

namespace {

constexpr unsigned long kShown = WS_CHILD | WS_VISIBLE;
constexpr unsigned long kBar = kShown | WS_TABSTOP | SBS_HORZ;
constexpr unsigned long kLowerLimit = kShown | SS_RIGHT;
constexpr AfxWindowKind kStatic = AfxWindowKind::kStatic;
constexpr AfxWindowKind kScrollBar = AfxWindowKind::kScrollBar;

// Columns of a bar row.
constexpr int kCaptionX = 6, kCaptionWidth = 56;
constexpr int kMinX = 62, kMinWidth = 22;
constexpr int kBarX = 86, kBarWidth = 64;
constexpr int kMaxX = 152, kMaxWidth = 24;
constexpr int kValueX = 178, kValueWidth = 36;
constexpr int kRowHeight = 9, kBarHeight = 10;

constexpr DialogControlTemplate kControls[] = {
    {0, kStatic, "Frequency:", kCaptionX, 8, kCaptionWidth, kRowHeight, kShown},
    {IDC_FREQUENCY_LIST, AfxWindowKind::kComboBox, "", kBarX, 6, 40, 60,
     kShown | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_SORT},
    {IDC_FREQUENCY_UNIT, kStatic, "Hz", 130, 8, 20, kRowHeight, kShown},

    {0, kStatic, "Range:", kCaptionX, 24, kCaptionWidth, kRowHeight, kShown},
    {IDC_RANGE_MIN, kStatic, "5.0", kMinX, 24, kMinWidth, kRowHeight, kLowerLimit},
    {IDC_RANGE_BAR, kScrollBar, "", kBarX, 24, kBarWidth, kBarHeight, kBar},
    {IDC_RANGE_MAX, kStatic, "200.0", kMaxX, 24, kMaxWidth, kRowHeight, kShown},
    {IDC_RANGE_VALUE, kStatic, "100.0 m", kValueX, 24, kValueWidth, kRowHeight, kShown},

    {0, kStatic, "Power:", kCaptionX, 42, kCaptionWidth, kRowHeight, kShown},
    {IDC_POWER_MIN, kStatic, "OFF", kMinX, 42, kMinWidth, kRowHeight, kLowerLimit},
    {IDC_POWER_BAR, kScrollBar, "", kBarX, 42, kBarWidth, kBarHeight, kBar},
    {IDC_POWER_MAX, kStatic, "200.0", kMaxX, 42, kMaxWidth, kRowHeight, kShown},
    {IDC_POWER_VALUE, kStatic, "201.0 dB", kValueX, 42, kValueWidth, kRowHeight, kShown},

    {0, kStatic, "Max. ping rate:", kCaptionX, 60, kCaptionWidth, kRowHeight, kShown},
    {IDC_PING_RATE_MIN, kStatic, "0", kMinX, 60, kMinWidth, kRowHeight, kLowerLimit},
    {IDC_PING_RATE_BAR, kScrollBar, "", kBarX, 60, kBarWidth, kBarHeight, kBar},
    {IDC_PING_RATE_MAX, kStatic, "50.0", kMaxX, 60, kMaxWidth, kRowHeight, kShown},
    {IDC_PING_RATE_VALUE, kStatic, "50.0 p/s", kValueX, 60, kValueWidth, kRowHeight, kShown},

    {0, kStatic, "Gain:", kCaptionX, 78, kCaptionWidth, kRowHeight, kShown},
    {IDC_GAIN_MIN, kStatic, "0", kMinX, 78, kMinWidth, kRowHeight, kLowerLimit},
    {IDC_GAIN_BAR, kScrollBar, "", kBarX, 78, kBarWidth, kBarHeight, kBar},
    {IDC_GAIN_MAX, kStatic, "100", kMaxX, 78, kMaxWidth, kRowHeight, kShown},
    {IDC_GAIN_VALUE, kStatic, "0 dB", kValueX, 78, kValueWidth, kRowHeight, kShown},

    {0, kStatic, "Gain mode:", kCaptionX, 96, kCaptionWidth, kRowHeight, kShown},
    {IDC_GAIN_MODE_TVG, AfxWindowKind::kRadio, "TVG", kBarX, 95, 30, kBarHeight,
     kShown | WS_TABSTOP | WS_GROUP},
    {IDC_GAIN_MODE_FIXED, AfxWindowKind::kRadio, "Fixed", kBarX + 34, 95, 30, kBarHeight, kShown},

    {0, kStatic, "Pulse length:", kCaptionX, 114, kCaptionWidth, kRowHeight, kShown | WS_GROUP},
    {IDC_PULSE_LENGTH_MIN, kStatic, "25", kMinX, 114, kMinWidth, kRowHeight, kLowerLimit},
    {IDC_PULSE_LENGTH_BAR, kScrollBar, "", kBarX, 114, kBarWidth, kBarHeight, kBar},
    {IDC_PULSE_LENGTH_MAX, kStatic, "500", kMaxX, 114, kMaxWidth, kRowHeight, kShown},
    {IDC_PULSE_LENGTH_VALUE, kStatic, "55 us", kValueX, 114, kValueWidth, kRowHeight, kShown},

    {0, kStatic, "Pulse type:", kCaptionX, 132, kCaptionWidth, kRowHeight, kShown},
    {IDC_PULSE_TYPE_LIST, AfxWindowKind::kComboBox, "", kBarX, 130, 40, 40,
     kShown | WS_TABSTOP | CBS_DROPDOWNLIST},

    {IDC_BEAM_WIDTH_CAPTION, kStatic, "Beam width:", kCaptionX, 150, kCaptionWidth, kRowHeight, kShown},
    {IDC_BEAM_WIDTH_MIN, kStatic, "0°", kMinX, 150, kMinWidth, kRowHeight, kLowerLimit},
    {IDC_BEAM_WIDTH_BAR, kScrollBar, "", kBarX, 150, kBarWidth, kBarHeight, kBar},
    {IDC_BEAM_WIDTH_MAX, kStatic, "0°", kMaxX, 150, kMaxWidth, kRowHeight, kShown},
    {IDC_BEAM_WIDTH_VALUE, kStatic, "0°", kValueX, 150, kValueWidth, kRowHeight, kShown},

    {IDC_STEERING_CAPTION, kStatic, "Vertical steering:", kCaptionX, 168, kCaptionWidth, kRowHeight, kShown},
    {IDC_STEERING_MIN, kStatic, "0°", kMinX, 168, kMinWidth, kRowHeight, kLowerLimit},
    {IDC_STEERING_BAR, kScrollBar, "", kBarX, 168, kBarWidth, kBarHeight, kBar},
    {IDC_STEERING_MAX, kStatic, "0°", kMaxX, 168, kMaxWidth, kRowHeight, kShown},
    {IDC_STEERING_VALUE, kStatic, "0°", kValueX, 168, kValueWidth, kRowHeight, kShown},
};

// The pulse types, in the order of their request values.
constexpr DialogInitItem kInitItems[] = {
    {IDC_PULSE_TYPE_LIST, "CW"},
    {IDC_PULSE_TYPE_LIST, "FM"},
};

}  // namespace

const DialogTemplate kSonarSettingsPageTemplate{
    IDD_KAVO_SONAR_SETTINGS_PAGE, "", 216, 185, WS_CHILD, kControls, kInitItems};
