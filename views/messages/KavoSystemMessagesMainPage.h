// The system page of the system messages view: a sonar's row shows the worst of its boards' BITE
// states, raised by the warnings and errors among its events.
#pragma once

#include "platform/tavrin/MbsSystemMessagesMainPage.h"

class KavoSystemMessagesMainPage : public MbsSystemMessagesMainPage {
  DECLARE_DYNAMIC(KavoSystemMessagesMainPage)

 public:
  explicit KavoSystemMessagesMainPage(CWnd* parent);

  // A BITE record (7021): the sonar's level is an error when a board it can name reports a fault,
  // otherwise OK. A sonar named after a vessel gets a row when it has none.
  void ShowBITESummary(unsigned char* record, CString name) override;
  // An event record (7051): a warning or an error raises the sonar's level (warnings of the BITE do
  // not: the BITE summary shows those). True when a row was added for the sonar.
  bool HandleRecord(int recordType, unsigned char* record, const CString& name) override;
  void ResetPage() override;

 private:
  // The row whose name (column 0) is name, compared exactly; -1 for none.
  int FindRow(const CString& name) const;
  // Adds a row for name at the end with that level, then sorts the rows.
  void AddRow(const CString& name, int level);
  void SetLevel(int row, int level);
};

// Whether name is the name of one of the host's vessels.
bool IsVesselName(const CString& name);
