// The system messages view of the Zq sonars: decides by record type what each record a sonar sends
// means for the pages (configuration 7003, BITE results 7021, stored events 7050, an event 7051),
// and makes the pages, the board table and each sonar's settings info for the host's framework.
#pragma once

#include "platform/tavrin/MbsSystemMessages.h"

class KavoSystemMessages : public MbsSystemMessages {
  DECLARE_DYNCREATE(KavoSystemMessages)

 public:
  KavoSystemMessages() = default;

  void HandleRecord(CString name, int unused, MultiBeamSettingsInfo* info) override;
  MbsSystemMessagesMainPage* CreateMainPage() override;
  MbsSystemMessagesBITEPage* CreateBITEPage() override;
  MbsSystemMessagesEventPage* CreateEventPage() override;
  MultiBeamBITEInfo* CreateBITEInfo() override;
  MultiBeamSettingsInfo* CreateSettingsInfo() override;
  // Hands the info's configuration request to its sonar's device; nothing when there is none.
  void RequestBiteConfig(MultiBeamSettingsInfo* info) override;
};
