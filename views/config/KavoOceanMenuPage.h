// The "Ocean Menu" tab of the configuration view: absorption, spreading loss and sound velocity, and
// whether the operator's sound velocity overrides the sensor's. It shows what the view hands it and
// sends one request when a bar is released or the override is clicked.
#pragma once

#include "platform/afx/CDialog.h"
#include "platform/afx/Controls.h"
#include "views/config/KavoConfigurationRequests.h"

class KavoOceanMenuPage : public CDialog {
  DECLARE_DYNAMIC(KavoOceanMenuPage)

 public:
  static constexpr UINT IDD = 16906;

  explicit KavoOceanMenuPage(KavoConfigurationRequests* view);

  // Values from the device. Each does nothing for the value it already holds; before the dialog is
  // ready it only stores.
  void SetSoundVelocityOverride(bool override);
  void SetSoundVelocity(double metresPerSecond);
  void SetAbsorption(double decibelsPerKilometre);
  void SetSpreading(double decibels);

  BOOL OnInitDialog() override;
  // Enter and Escape never close the page.
  void OnOK() override {}
  void OnCancel() override {}

 protected:
  void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
  BOOL OnHelpInfo(HELPINFO* info);
  void OnOverrideClicked();

  DECLARE_MESSAGE_MAP()

 private:
  CScrollBar* Bar(int id) const;
  void ShowText(int id, const char* format, double value);
  void SetBarPos(int id, double value);

  KavoConfigurationRequests* view_;

  bool dialogReady_ = false;
  float absorption_ = 0.0F;     // dB/km
  float spreading_ = 0.0F;      // dB
  float soundVelocity_ = 0.0F;  // m/s
  bool override_ = false;
};
