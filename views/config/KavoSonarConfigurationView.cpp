// The configuration view: binding to a sonar's control device, refreshing the pages from its
// attributes and limits, following the operator's selection, and sending the pages' requests.
#include "views/config/KavoSonarConfigurationView.h"

#include <vector>

#include "frame/MemFunNoInfoSubscriber.h"
#include "frame/MemFunSubscriber.h"
#include "platform/afx/CDataExchange.h"
#include "platform/afx/MainWindow.h"
#include "platform/tavrin/BaseDataSource.h"
#include "platform/tavrin/CDataBlock.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/HostViews.h"
#include "platform/tavrin/NotificationInfo.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/tavrin/VesselManager.h"
#include "resources/ResourceIds.h"
#include "views/config/KavoDataRecordingPage.h"
#include "views/config/KavoOceanMenuPage.h"
#include "views/config/KavoSonarSettingsPage.h"

IMPLEMENT_DYNCREATE(KavoSonarConfigurationView, CFormView)

BEGIN_MESSAGE_MAP(KavoSonarConfigurationView, CFormView)
ON_WM_SIZE()
ON_NOTIFY(TCN_SELCHANGE, IDC_CONFIGURATION_TABS, &KavoSonarConfigurationView::OnSelchangeTab)
ON_WM_HELPINFO()
END_MESSAGE_MAP()

namespace {

constexpr std::uint16_t kSonarGroup = 78;
constexpr std::uint16_t kSensorGroup = 40;
// The message with which the host applies a device's pending requests.
constexpr UINT kApplyAttributesMessage = 0x8029;
// Sound velocity in the sensor data: item 801, second key 1, an 8-byte double.
constexpr unsigned short kSoundVelocityItem = 801;
constexpr unsigned short kSoundVelocityKey2 = 1;
// What the recording page shows while the device reports no recording state.
constexpr int kUnknownRecordingMode = 5;
// The smallest layout of the view; below it the view scrolls.
constexpr int kMinimumWidth = 340;
constexpr int kMinimumHeight = 390;
constexpr int kTabMargin = 5;

CDataId SensorDataId(CDataId id) {
  id.SetGroupId(kSensorGroup);
  return id;
}

template <typename T>
T ReadValue(const CAttributeMap* map, const char* key, T value) {
  if (map != nullptr) map->FindValue(key).GetValue(value);
  return value;
}

}  // namespace

KavoSonarConfigurationView::KavoSonarConfigurationView()
    : CFormView(IDD),
      selectedSonarSubscription_(NotificationKind::kNamed),
      activeVesselSubscription_(NotificationKind::kActiveVessel),
      deviceSubscription_(NotificationKind::kDeviceKey),
      boundDeviceId_(1, kSonarGroup, 1, 1) {
  using Self = KavoSonarConfigurationView;
  selectedSonarSubscription_.SetSubscriber(new MemFunSubscriber<Self>(this, &Self::OnSelectedSonarChange),
                                           true);
  activeVesselSubscription_.SetSubscriber(new MemFunSubscriber<Self>(this, &Self::OnActiveVesselChange),
                                          true);
  deviceSubscription_.SetSubscriber(new MemFunNoInfoSubscriber<Self>(this, &Self::RefreshFromDevice), true);
  sensorDataSubscription_.SetSubscriber(new MemFunNoInfoSubscriber<Self>(this, &Self::OnSensorData), true);
}

KavoSonarConfigurationView::~KavoSonarConfigurationView() {
  // No notification reaches a view whose pages are going.
  selectedSonarSubscription_.Unsubscribe();
  activeVesselSubscription_.Unsubscribe();
  deviceSubscription_.Unsubscribe();
  sensorDataSubscription_.Unsubscribe();
  if (settingsPage_ != nullptr) settingsPage_->DestroyWindow();
  delete settingsPage_;
  if (oceanPage_ != nullptr) oceanPage_->DestroyWindow();
  delete oceanPage_;
  if (recordingPage_ != nullptr) recordingPage_->DestroyWindow();
  delete recordingPage_;
}

void KavoSonarConfigurationView::DoDataExchange(CDataExchange* exchange) {
  CFormView::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_CONFIGURATION_TABS, tabs_);
}

void KavoSonarConfigurationView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  ConnectDisplayDoc(GetDocument(), 0);

  const int tabTexts[] = {IDS_SONAR_SETTINGS, IDS_OCEAN_MENU, IDS_DATA_RECORDING};
  for (int position = 0; position < 3; ++position) {
    CString text;
    text.LoadString(static_cast<unsigned>(tabTexts[position]));
    tabs_.InsertItem(position, text.GetString());
  }

  settingsPage_ = new KavoSonarSettingsPage(this);
  settingsPage_->Create(KavoSonarSettingsPage::IDD, this);
  oceanPage_ = new KavoOceanMenuPage(this);
  oceanPage_->Create(KavoOceanMenuPage::IDD, this);
  recordingPage_ = new KavoDataRecordingPage(this);
  recordingPage_->Create(KavoDataRecordingPage::IDD, this);
  recordingPage_->EnableWindow(TRUE);
  for (CWnd* page : {static_cast<CWnd*>(settingsPage_), static_cast<CWnd*>(oceanPage_),
                     static_cast<CWnd*>(recordingPage_)}) {
    RWEnableThemeDialogTexture(page, ETDT_ENABLETAB);
  }

  tabs_.SetCurSel(0);
  ShowSelectedPage();

  OrvDataInfo stored;
  if (GetAttribMap().FindValue(ATTR_DATAID).GetValue(stored)) {
    BindDevice(stored.id);
  } else {
    LoadLimits();
  }
  UpdatePages(deviceAttributes_);

  selectedSonarSubscription_.Subscribe(GeneralSubKeys::ADT_SELECTED_SONAR_CHANGE);
  activeVesselSubscription_.Subscribe(sel_change::ACTIVE_VESSEL);
  deviceSubscription_.Subscribe(boundDeviceId_.GetKey());
  sensorDataSubscription_.Subscribe(SensorDataId(boundDeviceId_));
  initialised_ = true;
}

void KavoSonarConfigurationView::OnUpdate(CView* /*sender*/, LPARAM hint, CObject* hintObject) {
  if (hint != HINT_DATAID_CHANGED) return;
  if (const auto* named = dynamic_cast<const CDataIdHint*>(hintObject)) BindDevice(named->GetDataId());
}

void KavoSonarConfigurationView::BindDevice(const CDataId& id) {
  boundDeviceId_ = id;
  deviceSubscription_.Subscribe(boundDeviceId_.GetKey());
  sensorDataSubscription_.Subscribe(SensorDataId(boundDeviceId_));
  if (!DataManager::GetDataManager().GetAttributeMap(boundDeviceId_, deviceAttributes_)) return;
  unsigned flags = 0;
  deviceAttributes_.GetAttribValue("DeviceEnum", deviceIndex_, flags);
  LoadLimits();
  // The binding is stored with the view, so that the view shows the same device when opened again.
  // It is a value entry, which is what the initial update reads back.
  SetAttribGroup(kViewAttributeGroup);
  GetAttribMap().Add(ATTR_DATAID, COrvDataInfo(boundDeviceId_, 0xFFFF, 0xFFFF), 0);
}

void KavoSonarConfigurationView::RefreshFromDevice() {
  if (!DataManager::GetDataManager().GetAttributeMap(boundDeviceId_, deviceAttributes_)) return;
  int index = -1;
  unsigned flags = 0;
  deviceAttributes_.GetAttribValue("DeviceEnum", index, flags);
  const bool indexChanged = index != deviceIndex_;
  deviceIndex_ = index;
  if (indexChanged || !limitsLoaded_) LoadLimits();
  UpdatePages(deviceAttributes_);
}

void KavoSonarConfigurationView::LoadLimits() {
  LoadSonarSettingLimits();
  if (settingsPage_ != nullptr) settingsPage_->ApplyLimits();
  if (recordingPage_ != nullptr) recordingPage_->RefreshSync();
}

void KavoSonarConfigurationView::LoadSonarSettingLimits() {
  if (deviceIndex_ < 0 || settingsPage_ == nullptr) return;
  const CAttributeMap* settings = deviceAttributes_.Find("ZqSonarSettings", deviceIndex_);
  KavoSonarSettingsPage& page = *settingsPage_;
  const auto child = [settings](const char* key) {
    return settings == nullptr ? nullptr : settings->Find(key);
  };

  page.SetRangeSet(ReadValue(settings, "ZqRangeSet", std::vector<double>()));
  page.SetRangeLimits(ReadValue(child("ZqRange"), "ZqMin", 0.0), ReadValue(child("ZqRange"), "ZqMax", 0.0));
  page.SetPowerLimits(ReadValue(child("ZqPower"), "ZqMin", 0.0), ReadValue(child("ZqPower"), "ZqMax", 0.0));
  page.SetPulseLengthLimits(ReadValue(child("ZqPulseLength"), "ZqMin", 0.0),
                            ReadValue(child("ZqPulseLength"), "ZqMax", 0.0));

  const CAttributeMap* widths = child("ZqBeamWidthSetX");
  const bool variable = ReadValue(widths, "ZqVariable", false);
  page.SetBeamWidthSet(variable, variable ? ReadValue(widths, "ZqBeamWidthList", std::vector<double>())
                                          : std::vector<double>());

  const CAttributeMap* steer = child("ZqBeamSteer");
  const double minX = ReadValue(steer, "ZqMinX", 0.0);
  const double minZ = ReadValue(steer, "ZqMinZ", 0.0);
  page.SetSteeringLimits(ReadValue(steer, "ZqSteerable", false), minX, ReadValue(steer, "ZqMaxX", 0.0), minZ);
  page.SetSteering(minX, minZ);

  const CAttributeMap* rate = child("ZqPingRate");
  page.SetPingRateLimits(ReadValue(rate, "ZqMax", 0.0), ReadValue(rate, "ZqRatio", 0.0),
                         ReadValue(rate, "ZqFreeRun", false));

  const CAttributeMap* gain = child("ZqGain");
  page.SetGainLimits(ReadValue(gain, "ZqMin", 0.0), ReadValue(gain, "ZqMax", 0.0));
  const CAttributeMap* fixed = gain == nullptr ? nullptr : gain->Find("ZqFixed");
  page.SetFixedGain(ReadValue(fixed, "ZqAvailable", false), ReadValue(fixed, "ZqMin", 0.0),
                    ReadValue(fixed, "ZqMax", 0.0));
  page.SetChirpAvailable(ReadValue(child("ZqFrequency"), "ZqChirp", 0));

  // One centre frequency per setting set, up to the first set without a readable one.
  std::vector<float> frequencies;
  float current = 0.0F;
  for (int i = 0;; ++i) {
    const CAttributeMap* set = deviceAttributes_.Find("ZqSonarSettings", i);
    const CAttributeMap* frequency = set == nullptr ? nullptr : set->Find("ZqFrequency");
    double centre = 0.0;
    if (frequency == nullptr || !frequency->FindValue("ZqCenterFreq").GetValue(centre)) break;
    frequencies.push_back(static_cast<float>(centre));
    if (i == deviceIndex_) current = static_cast<float>(centre);
  }
  limitsLoaded_ = page.SetFrequencyList(frequencies);
  if (limitsLoaded_) page.SetCurrentFrequency(current);
}

void KavoSonarConfigurationView::UpdatePages(const CAttributeMap& attributes) {
  if (settingsPage_ == nullptr || oceanPage_ == nullptr || recordingPage_ == nullptr) return;
  const CAttributeMap* map = &attributes;
  KavoSonarSettingsPage& page = *settingsPage_;
  page.SetRange(ReadValue(map, "ZqRange", 0.0));
  page.SetPower(ReadValue(map, "ZqPower", 0.0));
  page.SetPulseLength(ReadValue(map, "ZqPulseLength", 0.0));
  page.SetPulseType(ReadValue(map, "ZqPulseType", 0));
  page.SetBeamWidth(ReadValue(map, "ZqBeamWidthX", 0.0));
  page.SetMaxPingRate(ReadValue(map, "ZqMaxPingRate", 0.0));
  page.SetSteering(ReadValue(map, "ZqProjBeamAngleVer", 0.0), ReadValue(map, "ZqProjBeamAngleHor", 0.0));
  page.SetGainMode(ReadValue(map, "ZqGainMode", -1));
  page.SetGain(ReadValue(map, "ZqGain", 0.0));
  if (deviceIndex_ >= 0 && deviceIndex_ < page.GetFrequencyCount()) {
    const CAttributeMap* set = attributes.Find("ZqSonarSettings", deviceIndex_);
    const CAttributeMap* frequency = set == nullptr ? nullptr : set->Find("ZqFrequency");
    page.SetCurrentFrequency(static_cast<float>(ReadValue(frequency, "ZqCenterFreq", 0.0)));
  }

  // The sound velocity the device reports is the operator's only while it overrides the sensor's.
  const bool override = ReadValue(map, "ZqSoundVelocityOverride", false);
  oceanPage_->SetSoundVelocityOverride(override);
  if (override) oceanPage_->SetSoundVelocity(ReadValue(map, "ZqSoundVelocity", 0.0));
  oceanPage_->SetAbsorption(ReadValue(map, "ZqAbsorption", 0.0));
  oceanPage_->SetSpreading(ReadValue(map, "ZqSpreadingLoss", 0.0));

  recordingPage_->UpdateStatus(ReadValue(map, "ZqDataRecording", kUnknownRecordingMode),
                               ReadValue(map, "ZqDirectoryName", CString()),
                               ReadValue(map, "ZqFileName", CString()), ReadValue(map, "ZqDiskFree", 0),
                               static_cast<std::uint64_t>(ReadValue(map, "ZqFileSize", std::int64_t{0})));
}

void KavoSonarConfigurationView::ShowSelectedPage() {
  // The page shown so far is the one on top: each page shown is brought there, and the pages were
  // made after the form's tab control, so one of them is on top from the start.
  if (CWnd* shown = GetTopWindow()) shown->ShowWindow(SW_HIDE);
  CWnd* pages[] = {settingsPage_, oceanPage_, recordingPage_};
  const int selected = tabs_.GetCurSel();
  if (selected < 0 || selected > 2 || pages[selected] == nullptr) return;
  pages[selected]->ShowWindow(SW_SHOW);
  pages[selected]->BringWindowToTop();
}

void KavoSonarConfigurationView::OnSelchangeTab(NMHDR* /*header*/, LRESULT* result) {
  ShowSelectedPage();
  *result = 0;
}

void KavoSonarConfigurationView::OnSize(UINT type, int cx, int cy) {
  if (!initialised_) return;
  cx = std::max(cx, kMinimumWidth);
  cy = std::max(cy, kMinimumHeight);
  CRect area(kTabMargin, kTabMargin, cx - kTabMargin, cy - kTabMargin);
  tabs_.MoveWindow(area);
  tabs_.AdjustRect(FALSE, &area);
  for (CWnd* page : {static_cast<CWnd*>(settingsPage_), static_cast<CWnd*>(oceanPage_),
                     static_cast<CWnd*>(recordingPage_)}) {
    page->MoveWindow(area, TRUE);
  }
  SetScrollSizes(MM_TEXT, CSize{cx, cy});
  CFormView::OnSize(type, cx, cy);
}

BOOL KavoSonarConfigurationView::OnHelpInfo(HELPINFO* info) {
  if (HelpProvider::GetInstance().ShowHelpfile(this)) return TRUE;
  return CFormView::OnHelpInfo(info);
}

void KavoSonarConfigurationView::SendRequest(const char* key, int value) {
  CAttributeMap map;
  map.Add(CString("Request"))->Add(key, COrvInt(value), 0);
  ApplyRequest(map);
}

void KavoSonarConfigurationView::SendRequest(const char* key, bool value) {
  CAttributeMap map;
  map.Add(CString("Request"))->Add(key, COrvBool(value), 0);
  ApplyRequest(map);
}

void KavoSonarConfigurationView::SendRequest(const char* key, double value) {
  CAttributeMap map;
  map.Add(CString("Request"))->Add(key, COrvDouble(value), 0);
  ApplyRequest(map);
}

void KavoSonarConfigurationView::SendRequest(const char* key, double first, double second) {
  CAttributeMap map;
  map.Add(CString("Request"))->Add(key, COrvDouble2D(first, second), 0);
  ApplyRequest(map);
}

void KavoSonarConfigurationView::SendSoundVelocity(double metresPerSecond, bool override) {
  CAttributeMap map;
  CAttributeMap* request = map.Add(CString("Request"));
  request->Add("ZqSoundVelocity", COrvDouble(metresPerSecond), 0);
  request->Add("ZqSoundVelocityOverride", COrvBool(override), 0);
  ApplyRequest(map);
}

void KavoSonarConfigurationView::ApplyRequest(const CAttributeMap& map) {
  DataManager::GetDataManager().SetAttributeMap(boundDeviceId_, map, DataManager::kMergeAttributes);
  const CDataId* safeId = SubscriptionManager::Instance().GetSafeDataIdPtr(boundDeviceId_);
  // The host applies the request when it handles the message; the page does not wait for it.
  if (CWnd* mainWindow = AfxGetMainWnd()) {
    mainWindow->PostMessage(kApplyAttributesMessage, reinterpret_cast<WPARAM>(safeId), 0);
  }
}

void KavoSonarConfigurationView::OnSelectedSonarChange(const NotificationInfo* info) {
  const auto* selected = dynamic_cast<const DataId_NI*>(info);
  if (selected == nullptr) return;
  CDataId id = selected->GetDataId();
  id.SetGroupId(kSonarGroup);
  if (id == boundDeviceId_) return;
  BindDevice(id);
  const CString vessel = VesselManager::GetVesselManager().GetVesselName(boundDeviceId_.GetVesselId());
  CString title;
  if (const Device* device = DataManager::GetDataManager().FindDevice(id)) {
    title = device->GetDeviceName();
    title += " - ";
    title += vessel;
  } else {
    CString format;
    format.LoadString(IDS_SONAR_CONFIGURATION_TITLE);
    title.Format(format.GetString(), vessel.GetString());  // NOLINT(clang-diagnostic-format-nonliteral)
  }
  if (CDisplayDoc* document = GetDisplayDoc()) document->RenameDisplay(title);
}

void KavoSonarConfigurationView::OnActiveVesselChange(const NotificationInfo* info) {
  const auto* vessel = dynamic_cast<const NFDataT<unsigned short>*>(info);
  if (vessel == nullptr) return;
  const CDataId id(1, kSonarGroup, 1, vessel->GetData());
  const Device* device = DataManager::GetDataManager().FindDevice(id);
  if (device == nullptr) return;
  BindDevice(id);
  CString title = device->GetDeviceName();
  title += " - ";
  title += VesselManager::GetVesselManager().GetVesselName(vessel->GetData());
  if (CDisplayDoc* document = GetDisplayDoc()) document->RenameDisplay(title);
}

void KavoSonarConfigurationView::OnSensorData() {
  const BaseDataSource* buffer = sensorDataSubscription_.GetDataBuffer();
  CDataBlock block;
  if (buffer == nullptr || !buffer->ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, block)) return;
  int index = 0;
  if (!block.LookUp(kSoundVelocityItem, kSoundVelocityKey2, index)) return;
  const COrvBytePtr* element = block.GetElement(index);
  double soundVelocity = 0.0;
  if (element == nullptr || element->GetType() != COrvBytePtr::kTypeF64 || !element->GetValue(soundVelocity))
    return;
  if (oceanPage_ != nullptr) oceanPage_->SetSoundVelocity(soundVelocity);
}
