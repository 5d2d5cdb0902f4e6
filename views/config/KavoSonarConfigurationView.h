// The configuration view: a form with the tabs "Sonar Settings", "Ocean Menu" and "Data Recording",
// bound to one sonar's control device. It copies the device's attribute map, hands its values and the
// sonar's limits to the pages, follows the operator's selection of sonar and vessel, the device's
// changes and the sound-velocity sensor, and turns the pages' changes into requests to the device.
#pragma once

#include "frame/Subscription.h"
#include "platform/afx/Controls.h"
#include "platform/afx/DocView.h"
#include "platform/tavrin/CDataId.h"
#include "platform/tavrin/DataSubscription.h"
#include "platform/tavrin/DisplayViews.h"
#include "views/config/KavoConfigurationRequests.h"

class KavoSonarSettingsPage;
class KavoOceanMenuPage;
class KavoDataRecordingPage;
class NotificationInfo;

class KavoSonarConfigurationView : public CFormView, public COrvBaseView, public KavoConfigurationRequests {
  DECLARE_DYNCREATE(KavoSonarConfigurationView)

 public:
  static constexpr UINT IDD = 16905;

  KavoSonarConfigurationView();
  ~KavoSonarConfigurationView() override;

  const CAttributeMap& GetDeviceAttributes() const override { return deviceAttributes_; }
  void SendRequest(const char* key, int value) override;
  void SendRequest(const char* key, bool value) override;
  void SendRequest(const char* key, double value) override;
  void SendRequest(const char* key, double first, double second) override;
  void SendSoundVelocity(double metresPerSecond, bool override) override;

  void OnInitialUpdate() override;
  // Hint 119 binds the view to the device that the hint names; other hints change nothing.
  void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override;
  void DoDataExchange(CDataExchange* exchange) override;

  CDataId GetBoundDeviceId() const override { return boundDeviceId_; }

 protected:
  void OnSize(UINT type, int cx, int cy);
  void OnSelchangeTab(NMHDR* header, LRESULT* result);
  BOOL OnHelpInfo(HELPINFO* info);

  DECLARE_MESSAGE_MAP()

 private:
  void BindDevice(const CDataId& id);
  void RefreshFromDevice();
  void LoadLimits();
  void LoadSonarSettingLimits();
  void UpdatePages(const CAttributeMap& attributes);
  void ShowSelectedPage();
  void ApplyRequest(const CAttributeMap& map);
  void OnSelectedSonarChange(const NotificationInfo* info);
  void OnActiveVesselChange(const NotificationInfo* info);
  void OnSensorData();

  CTabCtrl tabs_;
  KavoSonarSettingsPage* settingsPage_ = nullptr;
  KavoOceanMenuPage* oceanPage_ = nullptr;
  KavoDataRecordingPage* recordingPage_ = nullptr;
  bool initialised_ = false;
  CAttributeMap deviceAttributes_;
  int deviceIndex_ = 0;
  Subscription selectedSonarSubscription_;
  Subscription activeVesselSubscription_;
  Subscription deviceSubscription_;
  CDataId boundDeviceId_;
  DataSubscription sensorDataSubscription_;
  bool limitsLoaded_ = false;
};
