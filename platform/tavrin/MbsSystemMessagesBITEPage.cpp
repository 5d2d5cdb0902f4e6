// The BITE page's template, its lines, time and status, and the drawing of its list.
#include "platform/tavrin/MbsSystemMessagesBITEPage.h"

#include <algorithm>

#include "platform/afx/Controls.h"
#include "platform/tavrin/MbsSystemMessages.h"
#include "platform/tavrin/SystemMessageLevels.h"

IMPLEMENT_DYNAMIC(MbsSystemMessagesBITEPage, MbsSystemMessagesPage)

BEGIN_MESSAGE_MAP(MbsSystemMessagesBITEPage, MbsSystemMessagesPage)
ON_NOTIFY(LVN_GETDISPINFO, IDC_MBS_BITE_LIST, &MbsSystemMessagesBITEPage::OnGetDispInfo)
ON_BN_CLICKED(IDC_MBS_BITE_ERRORS_ONLY, &MbsSystemMessagesBITEPage::OnErrorsOnlyClicked)
END_MESSAGE_MAP()

namespace {

constexpr unsigned long kBiteShown = WS_CHILD | WS_VISIBLE;
constexpr DialogControlTemplate kBitePageControls[] = {
    {IDC_MBS_BITE_TIME_CAPTION, AfxWindowKind::kStatic, "Time:", 4, 5, 20, 9, kBiteShown},
    {IDC_MBS_BITE_TIME, AfxWindowKind::kStatic, "", 26, 5, 50, 9, kBiteShown},
    {IDC_MBS_BITE_STATUS_CAPTION, AfxWindowKind::kStatic, "Status:", 82, 5, 26, 9, kBiteShown},
    {IDC_MBS_BITE_STATUS, AfxWindowKind::kStatic, "", 110, 5, 40, 9, kBiteShown},
    {IDC_MBS_BITE_ERRORS_ONLY, AfxWindowKind::kCheckBox, "Show errors only", 160, 4, 90, 10,
     kBiteShown | WS_TABSTOP},
    {IDC_MBS_BITE_LIST, AfxWindowKind::kList, "BITE results", 4, 18, 392, 160,
     kBiteShown | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA},
};
constexpr DialogTemplate kBitePage{0, "BITE", 400, 182, WS_CHILD, kBitePageControls, {}};

}  // namespace

MbsSystemMessagesBITEPage::MbsSystemMessagesBITEPage(CWnd* parent)
    : MbsSystemMessagesPage(parent, kBitePage, IDC_MBS_BITE_LIST, {"Status", "Result"}) {}

void MbsSystemMessagesBITEPage::SetUpdateState(bool updating) {
  CListCtrl& list = GetListCtrl();
  list.SetRedraw(updating ? FALSE : TRUE);
  if (!updating) list.Invalidate();
}

void MbsSystemMessagesBITEPage::ClearBITEMessageList() {
  messages_.clear();
}

void MbsSystemMessagesBITEPage::AddBITEMessageToList(const MessageStruct& message) {
  messages_.push_back({message.level, SystemMessageText(message.text.GetString())});
}

void MbsSystemMessagesBITEPage::SetTime(const CString& time) {
  if (CWnd* shown = GetDlgItem(IDC_MBS_BITE_TIME)) shown->SetWindowText(time.GetString());
}

void MbsSystemMessagesBITEPage::SetBITEStatus(int status) {
  status_ = status;
  if (CWnd* shown = GetDlgItem(IDC_MBS_BITE_STATUS)) shown->SetWindowText(LevelText(status));
}

BOOL MbsSystemMessagesBITEPage::OnlyShowErrors() const {
  const CWnd* box = GetDlgItem(IDC_MBS_BITE_ERRORS_ONLY);
  return box != nullptr && box->m_hWnd->checked == BST_CHECKED ? TRUE : FALSE;
}

void MbsSystemMessagesBITEPage::ResetPage() {
  messages_.clear();
  SetTime("");
  SetBITEStatus(kLevelNone);
  CListCtrl& list = GetListCtrl();
  list.SetItemCountEx(0);
  list.SetRedraw(TRUE);
  list.Invalidate();
}

// The list draws a row: its level's word and image, and its text.
void MbsSystemMessagesBITEPage::OnGetDispInfo(NMHDR* header, LRESULT* result) {
  *result = 0;
  auto* info = reinterpret_cast<NMLVDISPINFO*>(header);
  const int row = info->item.iItem;
  if (row < 0 || row >= BITEMessageListCount()) return;
  const MessageStruct& message = messages_[static_cast<std::size_t>(row)];
  if ((info->item.mask & LVIF_TEXT) != 0 && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
    const std::string_view text =
        info->item.iSubItem == 0 ? std::string_view(LevelText(message.level)) : message.text.View();
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(info->item.cchTextMax) - 1);
    std::copy_n(text.data(), length, info->item.pszText);
    info->item.pszText[length] = '\0';
  }
  if ((info->item.mask & LVIF_IMAGE) != 0) info->item.iImage = message.level;
  if ((info->item.mask & LVIF_PARAM) != 0) info->item.lParam = message.level;
}

// The lines shown were chosen with the switch as it was: the view shows the latest results anew.
void MbsSystemMessagesBITEPage::OnErrorsOnlyClicked() {
  if (MbsSystemMessages* view = GetSystemMessagesView()) view->ShowBITEAnew();
}
