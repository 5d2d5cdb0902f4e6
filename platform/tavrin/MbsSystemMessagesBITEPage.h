// The BITE page of a system messages view: the selected multibeam's latest built-in test results, one
// line per board and per measured value, each with its level (the row's image), the time of the
// results and the worst level as the page's status. The lines are kept by the page and drawn on
// demand: the list asks the page for each row when it is drawn, which the family's page holds off
// while it fills the lines (SetUpdateState).
#pragma once

#include <vector>

#include "platform/tavrin/MbsSystemMessagesPage.h"

class MultiBeamBITEInfo;

class MbsSystemMessagesBITEPage : public MbsSystemMessagesPage {
  DECLARE_DYNAMIC(MbsSystemMessagesBITEPage)

 public:
  struct MessageStruct {
    int level = 1;
    CString text;
  };

  explicit MbsSystemMessagesBITEPage(CWnd* parent);

  // A BITE record of the selected sonar: the family's page fills the lines.
  virtual void ShowBITE(unsigned char* /*record*/, CString /*name*/) {}

  // The board names the lines use; not owned. Null until the view sets it.
  MultiBeamBITEInfo* GetBITEInfo() const { return biteInfo_; }
  void SetBITEInfo(MultiBeamBITEInfo* info) { biteInfo_ = info; }

  // True while the lines are being filled: the list is not drawn until it turns false again.
  void SetUpdateState(bool updating);
  void ClearBITEMessageList();
  void AddBITEMessageToList(const MessageStruct& message);
  int BITEMessageListCount() const { return static_cast<int>(messages_.size()); }
  const std::vector<MessageStruct>& GetBITEMessages() const { return messages_; }
  // The time of the results shown, and their worst level (1 OK, 2 warning, 3 error).
  void SetTime(const CString& time);
  void SetBITEStatus(int status);
  int GetBITEStatus() const { return status_; }
  // Whether the operator wants the lines in error only.
  BOOL OnlyShowErrors() const;

  // No lines, no time, no status.
  void ResetPage() override;

 protected:
  void OnGetDispInfo(NMHDR* header, LRESULT* result);
  void OnErrorsOnlyClicked();

  DECLARE_MESSAGE_MAP()

 private:
  MultiBeamBITEInfo* biteInfo_ = nullptr;
  std::vector<MessageStruct> messages_;
  int status_ = 0;
};
