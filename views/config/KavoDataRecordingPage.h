// The "Data Recording" tab of the configuration view: Start and Stop for the sonar's own recording,
// or recording left to the host's logging, and the recording status the sonar reports (mode,
// directory, file, file size, free disk space). It holds no connection: the view passes the status
// in and writes the operator's requests.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/afx/CDialog.h"
#include "platform/afx/Controls.h"
#include "views/config/KavoConfigurationRequests.h"

class KavoDataRecordingPage : public CDialog {
  DECLARE_DYNAMIC(KavoDataRecordingPage)

 public:
  static constexpr UINT IDD = 16908;
  // The recording mode until the sonar reports one: neither button applies.
  static constexpr int kUnknownMode = 5;

  explicit KavoDataRecordingPage(KavoConfigurationRequests* view);

  // Reads whether recording follows the host's logging from the view's device attributes.
  void RefreshSync();
  // The sonar's recording status, as the view read it from the device attributes.
  void UpdateStatus(int mode, const CString& directory, const CString& fileName, int diskFree,
                    std::uint64_t fileSize);
  // Enables the buttons for a recording mode: Start while stopped (0), Stop while recording (1).
  void SetRecordingMode(int mode);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* exchange) override;
  // Enter and Escape never close the page.
  void OnOK() override {}
  void OnCancel() override {}

 protected:
  void OnSyncClicked();
  void OnStart();
  void OnStop();

  DECLARE_MESSAGE_MAP()

 private:
  void EnableButtons(bool start, bool stop);
  void LoadModeNames();

  CButton syncBox_;
  CButton startButton_;
  CButton stopButton_;
  CEdit modeField_;
  CEdit directoryField_;
  CEdit fileNameField_;
  CEdit diskFreeField_;
  CEdit fileSizeField_;

  KavoConfigurationRequests* view_;
  int recordingMode_ = kUnknownMode;
  bool sync_ = false;
  std::vector<CString> modeNames_;  // by mode number; loaded at the first status
};
