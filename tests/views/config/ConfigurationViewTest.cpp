// The configuration view in a display made from its template, on devices in the data manager, with
// the host's notifications delivered and the UI thread's work run by the test.
#include "views/config/KavoSonarConfigurationView.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/afx/MainWindow.h"
#include "platform/afx/OperatorInput.h"
#include "platform/tavrin/CDataBlock.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/NotificationInfo.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/tavrin/VesselManager.h"
#include "resources/ResourceIds.h"
#include "tests/views/config/PluginResources.h"

namespace {

using namespace std::chrono_literals;

const CDataId kShallow(1, 78, 1, 1);
const CDataId kDeep(2, 78, 1, 1);

// A sonar's attributes: one setting set per centre frequency (0 for a set without one), range set
// 5 to 100 m with the range limits 5 to rangeMax, the set deviceEnum in use, and its range.
CAttributeMap Sonar(const std::vector<double>& frequencies, int deviceEnum, double rangeMax, double range) {
  CAttributeMap sonar;
  for (const double frequency : frequencies) {
    CAttributeMap set;
    set.Add("ZqRangeSet", COrvDoubleList({5, 10, 20, 50, 100}));
    CAttributeMap* limits = set.Add(CString("ZqRange"));
    limits->Add("ZqMin", COrvDouble(5));
    limits->Add("ZqMax", COrvDouble(rangeMax));
    if (frequency > 0) set.Add(CString("ZqFrequency"))->Add("ZqCenterFreq", COrvDouble(frequency));
    sonar.Append("ZqSonarSettings", set);
  }
  sonar.Add("DeviceEnum", COrvInt(deviceEnum));
  sonar.Add("ZqRange", COrvDouble(range));
  return sonar;
}

class ConfigurationView : public ::testing::Test {
 protected:
  ConfigurationView() {
    // This thread is the UI thread: what is handed to it waits until Pump runs it.
    AfxSetUiThread(std::this_thread::get_id(), [this](std::function<void()> work) {
      std::lock_guard lock(mutex_);
      handed_.push_back(std::move(work));
      return true;
    });
    AfxOpenMainWnd([this](UINT message, WPARAM wParam, LPARAM) {
      if (message == 0x8029) applied_.push_back(*reinterpret_cast<const CDataId*>(wParam));
      return LRESULT{0};
    });
    VesselManager::GetVesselManager().AddVessel(1, "Survey Vessel");
    VesselManager::GetVesselManager().AddVessel(2, "Launch");
    AddSonar(kShallow, "Shallow", Sonar({200000, 400000}, 0, 60, 20));
    AddSonar(kDeep, "Deep", Sonar({12000, 24000, 36000, 48000, 60000}, 2, 100, 50));
  }
  ~ConfigurationView() override {
    if (document_ != nullptr) document_->OnCloseDocument();
    AfxCloseMainWnd();
    AfxSetUiThread({}, nullptr);
    for (const CDataId& id : {kShallow, kDeep}) DataManager::GetDataManager().RemoveDevice(id);
    VesselManager::GetVesselManager().Clear();
  }

  static void AddSonar(const CDataId& id, const char* name, const CAttributeMap& attributes) {
    auto device = std::make_unique<Device>();
    device->SetDataId(id);
    device->SetDeviceName(name);
    device->GetAttributes() = attributes;
    DataManager::GetDataManager().AddDevice(std::move(device));
  }
  // Opens the display with the view's stored map.
  KavoSonarConfigurationView& Open(const CAttributeMap& stored = {}) {
    document_ = template_.OpenDisplay(stored);
    view_ = static_cast<KavoSonarConfigurationView*>(document_->GetViews().front());
    return *view_;
  }
  // Delivers what was published, then runs what the UI thread was handed, until nothing is left.
  void Pump() {
    for (;;) {
      ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(5s));
      std::deque<std::function<void()>> work;
      {
        std::lock_guard lock(mutex_);
        work.swap(handed_);
      }
      if (work.empty()) return;
      for (auto& item : work) item();
    }
  }
  void Publish(std::shared_ptr<const NotificationInfo> info) {
    SubscriptionManager::Instance().Publish(std::move(info));
    Pump();
  }
  void DeviceChanged(const CDataId& id, const CAttributeMap& attributes) {
    DataManager::GetDataManager().SetAttributeMap(id, attributes, 0);
    Publish(std::make_shared<NotificationInfo>(NotificationKind::kDeviceKey, id.GetKey()));
  }
  void SelectSonar(const CDataId& id) {
    Publish(std::make_shared<DataId_NI>(NotificationKind::kNamed,
                                        CString(GeneralSubKeys::ADT_SELECTED_SONAR_CHANGE), id));
  }
  std::string Text(int id) const {
    CString text;
    view_->GetDlgItem(id)->GetWindowText(text);
    return text.Str();
  }
  const AfxWindow& Window(int id) const { return *view_->GetDlgItem(id)->m_hWnd; }
  std::string Title() const { return document_->GetTitle().Str(); }

  PluginResources resources_;
  ORVMultiDocTemplateAttr1 template_{RUNTIME_CLASS(CDisplayDocAttr1), RUNTIME_CLASS(CDisplayFrmAttr1),
                                     RUNTIME_CLASS(KavoSonarConfigurationView),
                                     RUNTIME_CLASS(CDisplayDockFrmAttr1)};
  CDisplayDoc* document_ = nullptr;
  KavoSonarConfigurationView* view_ = nullptr;
  std::mutex mutex_;
  std::deque<std::function<void()>> handed_;
  std::vector<CDataId> applied_;
};

TEST_F(ConfigurationView, OpensOnItsStoredDeviceWithTheTabsAndThatSonarsLimits) {
  CAttributeMap stored;
  stored.Add(ATTR_DATAID, COrvDataInfo(kDeep, 0xFFFF, 0xFFFF));
  KavoSonarConfigurationView& view = Open(stored);
  EXPECT_EQ(view.GetBoundDeviceId(), kDeep);
  const AfxWindow& tabs = Window(IDC_CONFIGURATION_TABS);
  EXPECT_EQ(tabs.items, (std::vector<CString>{"Sonar Settings", "Ocean Menu", "Data Recording"}));
  // Five setting sets with centre frequencies, the third in use; range limits up to 100 m, range 50 m.
  const AfxWindow& frequencies = Window(IDC_FREQUENCY_LIST);
  EXPECT_EQ(frequencies.items.size(), 5U);
  EXPECT_EQ(frequencies.items[static_cast<std::size_t>(frequencies.selection)], CString("36"));
  EXPECT_EQ(Text(IDC_RANGE_MAX), "100.0");
  EXPECT_EQ(Text(IDC_RANGE_VALUE), "50.0 m");
  // The settings page shows; the tab control chooses another page.
  CWnd* settings = view.GetDlgItem(IDC_RANGE_BAR)->GetParent();
  EXPECT_TRUE(settings->IsWindowVisible());
  ASSERT_TRUE(AfxOperatorSelectTab(*view.GetDlgItem(IDC_CONFIGURATION_TABS), 2));
  EXPECT_FALSE(settings->IsWindowVisible());
  EXPECT_EQ(view.GetTopWindow()->m_hWnd->kind, AfxWindowKind::kDialog);
  EXPECT_TRUE(view.GetTopWindow()->IsWindowVisible());
  EXPECT_TRUE(tabs.visible);
}

TEST_F(ConfigurationView, FollowsTheDeviceAndReloadsLimitsWhenItsSettingSetChanges) {
  Open();  // nothing stored: the default device, whose limits come with its first change
  EXPECT_TRUE(Window(IDC_FREQUENCY_LIST).items.empty());
  DeviceChanged(kShallow, Sonar({200000, 400000}, 0, 60, 20));
  EXPECT_EQ(Window(IDC_FREQUENCY_LIST).items, (std::vector<CString>{"200", "400"}));
  EXPECT_EQ(Text(IDC_RANGE_VALUE), "20.0 m");
  EXPECT_EQ(Text(IDC_RANGE_MAX), "60.0");
  // Loaded limits stay as they are while the setting set does not change...
  DeviceChanged(kShallow, Sonar({200000, 400000}, 0, 100, 50));
  EXPECT_EQ(Text(IDC_RANGE_MAX), "60.0");
  EXPECT_EQ(Text(IDC_RANGE_VALUE), "50.0 m");
  // ...and are loaded again, frequency included, when it does.
  DeviceChanged(kShallow, Sonar({200000, 400000}, 1, 100, 50));
  EXPECT_EQ(Text(IDC_RANGE_MAX), "100.0");
  EXPECT_EQ(Window(IDC_FREQUENCY_LIST).selection, 1);
}

TEST_F(ConfigurationView, WithoutAReadableFrequencyEveryChangeReloadsTheLimits) {
  Open();
  DeviceChanged(kShallow, Sonar({0, 400000}, 0, 60, 20));
  EXPECT_TRUE(Window(IDC_FREQUENCY_LIST).items.empty());
  EXPECT_EQ(Text(IDC_RANGE_MAX), "60.0");
  DeviceChanged(kShallow, Sonar({0, 400000}, 0, 100, 20));
  EXPECT_EQ(Text(IDC_RANGE_MAX), "100.0");
}

TEST_F(ConfigurationView, AReleasedBarBecomesARequestOfTheBoundDeviceAndTheApplyMessage) {
  Open();
  DeviceChanged(kShallow, Sonar({200000, 400000}, 0, 60, 20));
  CWnd& range = *view_->GetDlgItem(IDC_RANGE_BAR);
  for (const UINT code : {SB_THUMBTRACK, SB_THUMBPOSITION}) AfxOperatorScroll(range, code, 3);
  EXPECT_EQ(Text(IDC_RANGE_VALUE), "50.0 m");
  EXPECT_TRUE(applied_.empty());
  AfxOperatorScroll(range, SB_ENDSCROLL, 0);
  Pump();
  // The device's "Request" holds the range until the host applies it; the page shows the operator's
  // value meanwhile, whether the sonar answers or not.
  CAttributeMap device;
  ASSERT_TRUE(DataManager::GetDataManager().GetAttributeMap(kShallow, device));
  double requested = 0;
  ASSERT_NE(device.Find("Request"), nullptr);
  EXPECT_TRUE(device.Find("Request")->FindValue("ZqRange").GetValue(requested));
  EXPECT_EQ(requested, 50.0);
  EXPECT_EQ(applied_, std::vector<CDataId>{kShallow});
  EXPECT_EQ(Text(IDC_RANGE_VALUE), "50.0 m");
}

TEST_F(ConfigurationView, FollowsTheSelectedSonarAndTheActiveVesselAndRetitles) {
  Open();
  SelectSonar(CDataId(2, 40, 1, 1));  // a sonar's data of another group names the same sonar
  EXPECT_EQ(view_->GetBoundDeviceId(), kDeep);
  EXPECT_EQ(Title(), "Deep - Survey Vessel");
  EXPECT_EQ(Window(IDC_FREQUENCY_LIST).items.size(), 5U);
  // The same sonar again: no new binding, no new title.
  document_->SetTitle("renamed");
  SelectSonar(kDeep);
  EXPECT_EQ(Title(), "renamed");
  // A sonar without a device: bound all the same, titled after its vessel.
  SelectSonar(CDataId(9, 78, 1, 2));
  EXPECT_EQ(view_->GetBoundDeviceId(), CDataId(9, 78, 1, 2));
  EXPECT_EQ(Title(), "Sonar Configuration - Launch");
  // A vessel without a sonar (1, 78, 1, vessel) changes nothing; one with it binds to it.
  Publish(std::make_shared<NFDataT<unsigned short>>(NotificationKind::kActiveVessel,
                                                    CString(sel_change::ACTIVE_VESSEL), 2));
  EXPECT_EQ(view_->GetBoundDeviceId(), CDataId(9, 78, 1, 2));
  Publish(std::make_shared<NFDataT<unsigned short>>(NotificationKind::kActiveVessel,
                                                    CString(sel_change::ACTIVE_VESSEL), 1));
  EXPECT_EQ(view_->GetBoundDeviceId(), kShallow);
  EXPECT_EQ(Title(), "Shallow - Survey Vessel");
  // The binding is kept in the view's stored map, and the host's hint 119 binds as well.
  OrvDataInfo stored;
  EXPECT_TRUE(view_->GetAttribMap().FindValue(ATTR_DATAID).GetValue(stored));
  EXPECT_EQ(stored.id, kShallow);
  CDataIdHint hint(kDeep);
  document_->UpdateAllViews(nullptr, HINT_DATAID_CHANGED, &hint);
  EXPECT_EQ(view_->GetBoundDeviceId(), kDeep);
}

// The ocean page follows the sensor's sound velocity and the device's water column; the recording page
// the device's recording status.
TEST_F(ConfigurationView, TheOceanAndRecordingPagesShowTheSensorAndTheDevice) {
  Open();
  CDataBlock sensor;
  sensor.AddF64(801, 1, 1487.3);
  DataManager::GetDataManager().StoreDataBlock(CDataId(1, 40, 1, 1), sensor);
  Pump();
  EXPECT_EQ(Text(IDC_SOUND_VELOCITY_VALUE), "1487.3 m/s");
  CAttributeMap status = Sonar({200000, 400000}, 0, 60, 20);
  status.Add("ZqAbsorption", COrvDouble(42.0));
  status.Add("ZqDataRecording", COrvInt(1));
  status.Add("ZqFileName", COrvString("survey.s7k"));
  status.Add("ZqFileSize", COrvInt64(1536));
  status.Add("ZqDiskFree", COrvInt(87));
  DeviceChanged(kShallow, status);
  EXPECT_EQ(Text(IDC_ABSORPTION_VALUE), "42.0 dB/km");
  EXPECT_EQ(Text(IDC_RECORDING_MODE), "Recording");
  EXPECT_EQ(Text(IDC_RECORDING_FILE_NAME), "survey.s7k");
  EXPECT_EQ(Text(IDC_RECORDING_FILE_SIZE), "1.5 KB");
  EXPECT_EQ(Text(IDC_RECORDING_DISK_FREE), "87 %");
  EXPECT_FALSE(Window(IDC_RECORDING_START).enabled);
  EXPECT_TRUE(Window(IDC_RECORDING_STOP).enabled);
}

TEST_F(ConfigurationView, BelowItsSmallestLayoutTheViewScrolls) {
  Open();
  view_->MoveWindow(0, 0, 300, 200);
  EXPECT_EQ(Window(IDC_CONFIGURATION_TABS).rect, CRect(5, 5, 335, 385));
  // The pages fill the tab control's display area.
  EXPECT_EQ(view_->GetDlgItem(IDC_RANGE_BAR)->GetParent()->m_hWnd->rect, CRect(9, 30, 331, 381));
  EXPECT_EQ(view_->m_hWnd->scrollTotal, (CSize{340, 390}));
  view_->MoveWindow(0, 0, 500, 600);
  EXPECT_EQ(Window(IDC_CONFIGURATION_TABS).rect, CRect(5, 5, 495, 595));
}

}  // namespace
