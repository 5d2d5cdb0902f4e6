// The BITE page of the system messages view: the selected sonar's latest BITE results, one line per
// board the sonar's configuration names, and for the boards that carry measurements one per value,
// each value checked against its limits.
#pragma once

#include "platform/tavrin/MbsSystemMessagesBITEPage.h"

class KavoSystemMessagesBITEPage : public MbsSystemMessagesBITEPage {
  DECLARE_DYNAMIC(KavoSystemMessagesBITEPage)

 public:
  explicit KavoSystemMessagesBITEPage(CWnd* parent);

  void ShowBITE(unsigned char* record, CString name) override;

 private:
  void ShowLines(std::span<const std::byte> record, const CString& name);
};
