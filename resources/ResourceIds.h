// Ids of the plug-in's dialog templates and strings, and of the controls in the templates.
#pragma once

// Dialog templates.
inline constexpr int IDD_KAVO_SONAR_CONFIGURATION_VIEW = 16905;
inline constexpr int IDD_KAVO_OCEAN_MENU_PAGE = 16906;
inline constexpr int IDD_KAVO_SONAR_SETTINGS_PAGE = 16907;
inline constexpr int IDD_KAVO_DATA_RECORDING_PAGE = 16908;

// Strings.
inline constexpr int IDS_SONAR_SETTINGS = 16909;             // "Sonar Settings"
inline constexpr int IDS_OCEAN_MENU = 16910;                 // "Ocean Menu"
inline constexpr int IDS_SONAR_CONFIGURATION_TITLE = 16911;  // "Sonar Configuration - %s"
inline constexpr int IDS_DATA_RECORDING = 16912;             // "Data Recording"

// The configuration view's tab control.
inline constexpr int IDC_CONFIGURATION_TABS = 39742;

// The sonar settings page.
inline constexpr int IDC_FREQUENCY_LIST = 39743;
inline constexpr int IDC_FREQUENCY_UNIT = 39745;
inline constexpr int IDC_RANGE_BAR = 39708;
inline constexpr int IDC_RANGE_MIN = 39719;
inline constexpr int IDC_RANGE_MAX = 39718;
inline constexpr int IDC_RANGE_VALUE = 39722;
inline constexpr int IDC_POWER_BAR = 39709;
inline constexpr int IDC_POWER_MIN = 39720;
inline constexpr int IDC_POWER_MAX = 39721;
inline constexpr int IDC_POWER_VALUE = 39723;
inline constexpr int IDC_PING_RATE_BAR = 39710;
inline constexpr int IDC_PING_RATE_MIN = 39731;
inline constexpr int IDC_PING_RATE_MAX = 39732;
inline constexpr int IDC_PING_RATE_VALUE = 39734;
inline constexpr int IDC_GAIN_BAR = 39711;
inline constexpr int IDC_GAIN_MIN = 39740;
inline constexpr int IDC_GAIN_MAX = 39741;
inline constexpr int IDC_GAIN_VALUE = 39739;
inline constexpr int IDC_GAIN_MODE_TVG = 39758;
inline constexpr int IDC_GAIN_MODE_FIXED = 39759;
inline constexpr int IDC_PULSE_LENGTH_BAR = 39713;
inline constexpr int IDC_PULSE_LENGTH_MIN = 39725;
inline constexpr int IDC_PULSE_LENGTH_MAX = 39726;
inline constexpr int IDC_PULSE_LENGTH_VALUE = 39727;
inline constexpr int IDC_PULSE_TYPE_LIST = 39756;
inline constexpr int IDC_BEAM_WIDTH_BAR = 39712;
inline constexpr int IDC_BEAM_WIDTH_MIN = 39730;
inline constexpr int IDC_BEAM_WIDTH_MAX = 39715;
inline constexpr int IDC_BEAM_WIDTH_VALUE = 39728;
inline constexpr int IDC_BEAM_WIDTH_CAPTION = 39729;
inline constexpr int IDC_STEERING_BAR = 39714;
inline constexpr int IDC_STEERING_MIN = 39737;
inline constexpr int IDC_STEERING_MAX = 39738;
inline constexpr int IDC_STEERING_VALUE = 39735;
inline constexpr int IDC_STEERING_CAPTION = 39736;

// The ocean menu page.
inline constexpr int IDC_ABSORPTION_BAR = 39701;
inline constexpr int IDC_ABSORPTION_VALUE = 39705;
inline constexpr int IDC_SPREADING_BAR = 39703;
inline constexpr int IDC_SPREADING_VALUE = 39706;
inline constexpr int IDC_SOUND_VELOCITY_BAR = 39702;
inline constexpr int IDC_SOUND_VELOCITY_VALUE = 39704;
inline constexpr int IDC_SOUND_VELOCITY_OVERRIDE = 39760;

// The data recording page.
inline constexpr int IDC_RECORDING_SYNC = 39746;
inline constexpr int IDC_RECORDING_START = 39747;
inline constexpr int IDC_RECORDING_STOP = 39749;
inline constexpr int IDC_RECORDING_MODE = 39750;
inline constexpr int IDC_RECORDING_DIRECTORY = 39751;
inline constexpr int IDC_RECORDING_FILE_NAME = 39752;
inline constexpr int IDC_RECORDING_FILE_SIZE = 39753;
inline constexpr int IDC_RECORDING_DISK_FREE = 39754;
