// The system page's rows and levels.
#include "views/messages/KavoSystemMessagesMainPage.h"

#include <string_view>

#include "platform/tavrin/MultiBeamInfo.h"
#include "platform/tavrin/SystemMessageLevels.h"
#include "platform/tavrin/VesselManager.h"
#include "platform/zq/ZqMessageRecords.h"
#include "platform/zq/ZqWireFormat.h"
#include "views/messages/KavoMessageRecord.h"

IMPLEMENT_DYNAMIC(KavoSystemMessagesMainPage, MbsSystemMessagesMainPage)

namespace {

// Warnings of the sonar's own BITE: the BITE summary already shows them.
constexpr std::string_view kBiteWarningPrefix = "WARNING: BITE";

}  // namespace

bool IsVesselName(const CString& name) {
  const VesselManager& vessels = VesselManager::GetVesselManager();
  for (int i = 0; i < vessels.GetNumVessels(); ++i) {
    const CBaseVessel* vessel = vessels.GetVessel(i);
    if (vessel != nullptr && vessels.GetVesselName(vessel->GetVesselId()) == name) return true;
  }
  return false;
}

KavoSystemMessagesMainPage::KavoSystemMessagesMainPage(CWnd* parent) : MbsSystemMessagesMainPage(parent) {}

void KavoSystemMessagesMainPage::ShowBITESummary(unsigned char* record, CString name) {
  if (!IsInitialized() || GetBITEInfo() == nullptr || IsSorting()) return;
  int level = kLevelOk;
  for (const ZqBiteBoard& board : ZqMessageRecords::DecodeBite(kavomsg::RecordBytes(record))) {
    CString boardName;
    if (GetBITEInfo()->GetBoardName(name, boardName, board.id) && board.flags != 0) {
      level = kLevelError;
      break;
    }
  }
  const int row = FindRow(name);
  if (row >= 0) {
    SetLevel(row, level);
  } else if (IsVesselName(name)) {
    AddRow(name, level);
  }
}

bool KavoSystemMessagesMainPage::HandleRecord(int recordType, unsigned char* record, const CString& name) {
  if (recordType != zqwire::kEventRecordType || !IsInitialized() || IsSorting()) return false;
  const std::optional<ZqEvent> event = ZqMessageRecords::DecodeEvent(kavomsg::RecordBytes(record));
  if (!event) return false;
  int raised = EventTypeLevel(event->type);
  if (raised == kLevelWarning && event->text.starts_with(kBiteWarningPrefix)) raised = kLevelOk;
  const int row = FindRow(name);
  if (row >= 0) {
    if (raised > static_cast<int>(GetListCtrl().GetItemData(row))) SetLevel(row, raised);
    return false;
  }
  if (!IsVesselName(name)) return false;
  // A sonar first seen through an event shows the event's level (1 to 3), as every other row does,
  // rather than the event's type.
  AddRow(name, raised);
  return true;
}

void KavoSystemMessagesMainPage::ResetPage() {
  ClearDisplay();
}

int KavoSystemMessagesMainPage::FindRow(const CString& name) const {
  CListCtrl& list = const_cast<KavoSystemMessagesMainPage*>(this)->GetListCtrl();  // NOLINT: only read
  for (int row = 0; row < list.GetItemCount(); ++row) {
    if (list.GetItemText(row, 0) == name) return row;
  }
  return -1;
}

void KavoSystemMessagesMainPage::AddRow(const CString& name, int level) {
  CListCtrl& list = GetListCtrl();
  const int row = list.InsertItem(list.GetItemCount(), name.GetString(), level);
  list.SetItemData(row, level);
  list.SetItemText(row, 1, name.GetString());
  SortItemsAscending();
}

void KavoSystemMessagesMainPage::SetLevel(int row, int level) {
  CListCtrl& list = GetListCtrl();
  LVITEM item;
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  list.GetItem(&item);
  item.iImage = level;
  list.SetItem(&item);
  list.SetItemData(row, level);
}
