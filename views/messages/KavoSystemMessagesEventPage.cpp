// The event page's records.
#include "views/messages/KavoSystemMessagesEventPage.h"

#include <exception>

#include "platform/tavrin/SystemMessageLevels.h"
#include "platform/zq/ZqMessageRecords.h"
#include "platform/zq/ZqWireFormat.h"
#include "views/messages/KavoMessageRecord.h"

IMPLEMENT_DYNAMIC(KavoSystemMessagesEventPage, MbsSystemMessagesEventPage)

KavoSystemMessagesEventPage::KavoSystemMessagesEventPage(CWnd* parent) : MbsSystemMessagesEventPage(parent) {}

void KavoSystemMessagesEventPage::ResetPage() {
  Init();
  ClearDisplay();
  eventListLoaded = false;
}

bool KavoSystemMessagesEventPage::HandleRecord(int recordType, unsigned char* record,
                                               const CString& /*name*/) {
  const std::span<const std::byte> bytes = kavomsg::RecordBytes(record);
  const auto shown = [this](std::uint16_t type) {
    return !OnlyShowErrors() || EventTypeLevel(type) == kLevelError;
  };
  if (recordType == zqwire::kEventRecordType) {
    if (!IsInitialized()) return false;
    const std::optional<ZqEvent> event = ZqMessageRecords::DecodeEvent(bytes);
    if (!event || !shown(event->type)) return false;
    const tagTIMEZQ time = kavomsg::RecordTime(bytes);
    AddMessage(event->type, &time, event->text.c_str());
    return true;
  }
  if (recordType != zqwire::kEventListRecordType) return false;
  if (!IsInitialized() || eventListLoaded) return true;
  // Every stored event shows with the time of the record that lists them.
  const tagTIMEZQ time = kavomsg::RecordTime(bytes);
  try {
    for (const ZqEvent& event : ZqMessageRecords::DecodeEventList(bytes)) {
      if (shown(event.type)) AddMessage(event.type, &time, event.text.c_str());
    }
  } catch (const std::exception&) {
    return false;
  }
  eventListLoaded = true;
  return true;
}
