// The system page of a system messages view: one row per multibeam system with its worst current
// state (the row's image and item data hold the level), its name in column 0 and its vessel's in
// column 1. The multibeam family's page decides the rows from the sonar's records.
#pragma once

#include "platform/tavrin/MbsSystemMessagesPage.h"

class MultiBeamBITEInfo;

class MbsSystemMessagesMainPage : public MbsSystemMessagesPage {
  DECLARE_DYNAMIC(MbsSystemMessagesMainPage)

 public:
  explicit MbsSystemMessagesMainPage(CWnd* parent);

  // A BITE record of sonar name: the family's page updates the sonar's row.
  virtual void ShowBITESummary(unsigned char* /*record*/, CString /*name*/) {}
  // Another record of sonar name; true when the page added a row for it.
  virtual bool HandleRecord(int /*recordType*/, unsigned char* /*record*/, const CString& /*name*/) {
    return false;
  }

  // Whether the rows are being sorted right now (rows must not change meanwhile).
  BOOL IsSorting() const { return sorting_ ? TRUE : FALSE; }
  // Sorts the rows by their names (column 0), letters compared without case, then with.
  void SortItemsAscending();
  // Removes every row.
  void ClearDisplay();

  // The board names the page's BITE summaries use; not owned. Null until the view sets it.
  MultiBeamBITEInfo* GetBITEInfo() const { return biteInfo_; }
  void SetBITEInfo(MultiBeamBITEInfo* info) { biteInfo_ = info; }

 private:
  MultiBeamBITEInfo* biteInfo_ = nullptr;
  bool sorting_ = false;
};
