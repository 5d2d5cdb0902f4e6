// The plug-in's resource table: the configuration view's form, its tab pages and the string table.
#include "resources/KavoResources.h"

#include "resources/ResourceIds.h"

namespace {

constexpr unsigned long kChildControl = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

// The form of the configuration view: one tab control that the view sizes to the form and whose
// display area holds the pages. 227 × 240 dialog units are the view's smallest layout, 340 × 390 pixels.
constexpr DialogControlTemplate kViewControls[] = {
    {IDC_CONFIGURATION_TABS, AfxWindowKind::kTab, "", 3, 3, 221, 234, kChildControl},
};

constexpr StringResource kStrings[] = {
    {IDS_SONAR_SETTINGS, "Sonar Settings"},
    {IDS_OCEAN_MENU, "Ocean Menu"},
    {IDS_SONAR_CONFIGURATION_TITLE, "Sonar Configuration - %s"},
    {IDS_DATA_RECORDING, "Data Recording"},
};

}  // namespace

const DialogTemplate kSonarConfigurationViewTemplate{
    IDD_KAVO_SONAR_CONFIGURATION_VIEW, "", 227, 240, WS_CHILD, kViewControls, {}};

const AfxResourceTable& KavoResources() {
  static const DialogTemplate dialogs[] = {kSonarConfigurationViewTemplate, kOceanMenuPageTemplate,
                                           kSonarSettingsPageTemplate, kDataRecordingPageTemplate};
  static const AfxResourceTable table{dialogs, kStrings};
  return table;
}
