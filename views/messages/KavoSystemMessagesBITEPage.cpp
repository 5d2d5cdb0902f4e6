// The BITE page's lines, time and status.
#include "views/messages/KavoSystemMessagesBITEPage.h"

#include <exception>

#include "platform/tavrin/MultiBeamInfo.h"
#include "platform/tavrin/SystemMessageLevels.h"
#include "platform/zq/ZqMessageRecords.h"
#include "views/messages/KavoMessageRecord.h"

IMPLEMENT_DYNAMIC(KavoSystemMessagesBITEPage, MbsSystemMessagesBITEPage)

namespace {

// Boards whose BITE results carry measured values: ids 32 to 45, 48 and 49.
bool CarriesValues(std::uint8_t boardId) {
  return (boardId >= 32 && boardId <= 45) || boardId == 48 || boardId == 49;
}

}  // namespace

KavoSystemMessagesBITEPage::KavoSystemMessagesBITEPage(CWnd* parent) : MbsSystemMessagesBITEPage(parent) {}

void KavoSystemMessagesBITEPage::ShowBITE(unsigned char* record, CString name) {
  if (!IsInitialized() || GetBITEInfo() == nullptr) return;
  SetUpdateState(true);
  ClearBITEMessageList();
  try {
    ShowLines(kavomsg::RecordBytes(record), name);
  } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): the lines shown so far stay
  }
  SetUpdateState(false);
}

void KavoSystemMessagesBITEPage::ShowLines(std::span<const std::byte> record, const CString& name) {
  SetTime(ZqTimeOfDayText(kavomsg::RecordTime(record)));
  SetBITEStatus(kLevelOk);

  for (const ZqBiteBoard& board : ZqMessageRecords::DecodeBite(record)) {
    CString displayName;
    if (!GetBITEInfo()->GetBoardName(name, displayName, board.id)) continue;
    int level = kLevelOk;
    if (board.flags != 0) {
      SetBITEStatus(kLevelError);
      level = kLevelError;
    }
    if (board.flags != 0 || !OnlyShowErrors()) {
      CString text;
      text.Format("%s: %s: %s%s%s", board.text.c_str(), displayName.GetString(),
                  (board.flags & ZqBiteBoard::kUplinkError) != 0 ? "Uplink Error, " : "Uplink OK, ",
                  (board.flags & ZqBiteBoard::kDownlinkError) != 0 ? "Downlink Error, " : "Downlink OK, ",
                  (board.flags & ZqBiteBoard::kBiteError) != 0 ? "Bite Error" : "Bite OK");
      AddBITEMessageToList({level, text});
    }
    if (!CarriesValues(board.id)) continue;
    for (const ZqBiteField& field : board.fields) {
      const bool inLimits = !field.HasLimits() || (field.lower <= field.value && field.value <= field.upper);
      CString text;
      if (inLimits && OnlyShowErrors()) continue;
      if (inLimits && !field.HasLimits()) {
        text.Format("%s: %s: %s: %.2f", board.text.c_str(), displayName.GetString(), field.name.c_str(),
                    static_cast<double>(field.value));
      } else {
        text.Format("%s: %s: %s: %.2f (min:%.2f max:%.2f)", board.text.c_str(), displayName.GetString(),
                    field.name.c_str(), static_cast<double>(field.value), static_cast<double>(field.lower),
                    static_cast<double>(field.upper));
      }
      if (!inLimits) SetBITEStatus(kLevelError);
      AddBITEMessageToList({inLimits ? kLevelOk : kLevelError, text});
    }
  }
  CListCtrl& list = GetListCtrl();
  list.SetItemCountEx(BITEMessageListCount());
  list.Invalidate();
}
