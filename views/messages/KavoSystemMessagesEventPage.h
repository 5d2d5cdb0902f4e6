// The event page of the system messages view: the selected sonar's stored events, taken once after
// each reset of the page, and its event records as they come; with the errors-only switch on, only
// errors.
#pragma once

#include "platform/tavrin/MbsSystemMessagesEventPage.h"

class KavoSystemMessagesEventPage : public MbsSystemMessagesEventPage {
  DECLARE_DYNAMIC(KavoSystemMessagesEventPage)

 public:
  explicit KavoSystemMessagesEventPage(CWnd* parent);

  void ResetPage() override;
  // 7051: the event, true when shown. 7050: the stored events, shown unless they were already since
  // the page was reset; false when showing them failed.
  bool HandleRecord(int recordType, unsigned char* record, const CString& name) override;

  bool IsEventListLoaded() const { return eventListLoaded; }

 private:
  bool eventListLoaded = false;
};
