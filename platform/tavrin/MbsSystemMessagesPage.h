// What the pages of a system messages view share: a child dialog of the view made from a template of
// the framework's own, with a list control under whatever the page shows above it, the list filling
// the page as the page is sized.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/afx/CDialog.h"
#include "platform/afx/CListCtrl.h"
#include "platform/afx/DialogTemplate.h"

class MbsSystemMessages;

// Control ids of the framework's system messages windows; one id per control across the view.
enum MbsSystemMessagesControlId : int {
  IDC_MBS_MULTIBEAM_CAPTION = 0x7100,
  IDC_MBS_MULTIBEAM = 0x7101,
  IDC_MBS_PAGE_TABS = 0x7102,
  IDC_MBS_SYSTEM_LIST = 0x7110,
  IDC_MBS_EVENT_ERRORS_ONLY = 0x7120,
  IDC_MBS_EVENT_LIST = 0x7121,
  IDC_MBS_BITE_TIME_CAPTION = 0x7130,
  IDC_MBS_BITE_TIME = 0x7131,
  IDC_MBS_BITE_STATUS_CAPTION = 0x7132,
  IDC_MBS_BITE_STATUS = 0x7133,
  IDC_MBS_BITE_ERRORS_ONLY = 0x7134,
  IDC_MBS_BITE_LIST = 0x7135,
};

class MbsSystemMessagesPage : public CDialog {
  DECLARE_DYNAMIC(MbsSystemMessagesPage)

 public:
  // Makes the page's window in the view it was made for; false when it has one already.
  BOOL CreatePage();
  // Whether the page's window and its list are ready for rows.
  BOOL IsInitialized() const { return initialized_ ? TRUE : FALSE; }
  CListCtrl& GetListCtrl() { return list_; }
  // Brings the page back to its empty state (the view calls it when the multibeam shown changes).
  virtual void ResetPage() {}

 protected:
  MbsSystemMessagesPage(CWnd* parent, const DialogTemplate& form, int listId,
                        std::initializer_list<const char*> columns);

  BOOL OnInitDialog() override;
  void OnSize(UINT type, int cx, int cy);
  // The view the page shows in; null before the page has a window or outside such a view.
  MbsSystemMessages* GetSystemMessagesView() const;

  DECLARE_MESSAGE_MAP()

 private:
  const DialogTemplate& form_;
  int listId_;
  std::vector<const char*> columns_;
  CListCtrl list_;
  bool initialized_ = false;
};

// Text of a sonar (board texts, field names, event texts) as the page keeps it: valid UTF-8.
CString SystemMessageText(const char* text);
