// The "Data Recording" tab. After Start or Stop both buttons stay disabled until the sonar reports a
// different mode: the page never guesses that a request was carried out.
#include "views/config/KavoDataRecordingPage.h"

#include "platform/afx/CDataExchange.h"
#include "platform/tavrin/DataDefinition.h"
#include "platform/tavrin/FormatByteSize.h"
#include "resources/ResourceIds.h"

BEGIN_MESSAGE_MAP(KavoDataRecordingPage, CDialog)
ON_BN_CLICKED(IDC_RECORDING_SYNC, &KavoDataRecordingPage::OnSyncClicked)
ON_BN_CLICKED(IDC_RECORDING_START, &KavoDataRecordingPage::OnStart)
ON_BN_CLICKED(IDC_RECORDING_STOP, &KavoDataRecordingPage::OnStop)
END_MESSAGE_MAP()

namespace {

// The data item whose value texts name the recording modes.
constexpr unsigned short kRecordingModeItem = 2701;
// A bound on the names asked for, should a data definition answer for every value.
constexpr int kRecordingMaxModeNames = 256;

}  // namespace

KavoDataRecordingPage::KavoDataRecordingPage(KavoConfigurationRequests* view) : CDialog(IDD), view_(view) {}

BOOL KavoDataRecordingPage::OnInitDialog() {
  CDialog::OnInitDialog();
  RefreshSync();
  return TRUE;
}

void KavoDataRecordingPage::DoDataExchange(CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  DDX_Control(exchange, IDC_RECORDING_SYNC, syncBox_);
  DDX_Control(exchange, IDC_RECORDING_START, startButton_);
  DDX_Control(exchange, IDC_RECORDING_STOP, stopButton_);
  DDX_Control(exchange, IDC_RECORDING_MODE, modeField_);
  DDX_Control(exchange, IDC_RECORDING_DIRECTORY, directoryField_);
  DDX_Control(exchange, IDC_RECORDING_FILE_NAME, fileNameField_);
  DDX_Control(exchange, IDC_RECORDING_DISK_FREE, diskFreeField_);
  DDX_Control(exchange, IDC_RECORDING_FILE_SIZE, fileSizeField_);
}

void KavoDataRecordingPage::EnableButtons(bool start, bool stop) {
  startButton_.EnableWindow(start ? TRUE : FALSE);
  stopButton_.EnableWindow(stop ? TRUE : FALSE);
}

void KavoDataRecordingPage::RefreshSync() {
  sync_ = false;
  if (view_ != nullptr) {
    unsigned flags = 0;
    if (!view_->GetDeviceAttributes().GetAttribValue("SyncDataRecording", sync_, flags)) sync_ = false;
  }
  syncBox_.SetCheck(sync_ ? BST_CHECKED : BST_UNCHECKED);
}

void KavoDataRecordingPage::SetRecordingMode(int mode) {
  if (sync_) {
    recordingMode_ = mode;  // remembered for when the operator takes recording back
    EnableButtons(false, false);
    return;
  }
  if (mode == recordingMode_) return;
  EnableButtons(mode == 0, mode == 1);
  recordingMode_ = mode;
}

void KavoDataRecordingPage::LoadModeNames() {
  if (view_ == nullptr) return;
  const unsigned short group = view_->GetBoundDeviceId().GetGroupId();
  CString name;
  for (int value = 0; value < kRecordingMaxModeNames; ++value) {
    if (!DataDefinition::GetGroupItemMapTxt(group, kRecordingModeItem, value, name)) break;
    modeNames_.push_back(name);
  }
}

void KavoDataRecordingPage::UpdateStatus(int mode, const CString& directory, const CString& fileName,
                                         int diskFree, std::uint64_t fileSize) {
  SetRecordingMode(mode);
  if (modeNames_.empty()) LoadModeNames();
  if (mode >= 0 && mode < static_cast<int>(modeNames_.size()))
    modeField_.SetWindowText(modeNames_[mode].GetString());
  CString percent;
  percent.Format("%d %%", diskFree);
  diskFreeField_.SetWindowText(percent.GetString());
  fileSizeField_.SetWindowText(FormatByteSize(fileSize).GetString());
  directoryField_.SetWindowText(directory.GetString());
  fileNameField_.SetWindowText(fileName.GetString());
}

// ---- Operator input ----

void KavoDataRecordingPage::OnStart() {
  EnableButtons(false, false);
  if (view_ != nullptr) view_->SendRequest("ZqDataRecording", 1);
}

void KavoDataRecordingPage::OnStop() {
  EnableButtons(false, false);
  if (view_ != nullptr) view_->SendRequest("ZqDataRecording", 0);
}

void KavoDataRecordingPage::OnSyncClicked() {
  sync_ = syncBox_.GetCheck() == BST_CHECKED;
  if (view_ != nullptr) view_->SendRequest("SyncDataRecording", sync_);
  if (sync_) {
    EnableButtons(false, false);
  } else {
    EnableButtons(recordingMode_ == 0, recordingMode_ == 1);
  }
}
