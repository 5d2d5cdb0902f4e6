// The "Data Recording" tab of the configuration view: a child dialog of the view, which it keeps for
// requests.
#pragma once

#include "platform/afx/CDialog.h"
#include "views/config/KavoConfigurationRequests.h"

class KavoDataRecordingPage : public CDialog {
  DECLARE_DYNAMIC(KavoDataRecordingPage)

 public:
  static constexpr UINT IDD = 16908;

  explicit KavoDataRecordingPage(KavoConfigurationRequests* view) : view_(view) {}

  // Enter and Escape never close the page.
  void OnOK() override {}
  void OnCancel() override {}

 private:
  [[maybe_unused]] KavoConfigurationRequests* view_;
};
