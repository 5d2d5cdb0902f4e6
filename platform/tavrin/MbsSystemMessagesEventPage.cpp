// The event page's template, its messages and its switch.
#include "platform/tavrin/MbsSystemMessagesEventPage.h"

#include "platform/afx/Controls.h"
#include "platform/tavrin/MbsSystemMessages.h"
#include "platform/tavrin/SystemMessageLevels.h"

IMPLEMENT_DYNAMIC(MbsSystemMessagesEventPage, MbsSystemMessagesPage)

BEGIN_MESSAGE_MAP(MbsSystemMessagesEventPage, MbsSystemMessagesPage)
ON_BN_CLICKED(IDC_MBS_EVENT_ERRORS_ONLY, &MbsSystemMessagesEventPage::OnErrorsOnlyClicked)
END_MESSAGE_MAP()

namespace {

constexpr unsigned long kEventShown = WS_CHILD | WS_VISIBLE;
constexpr DialogControlTemplate kEventPageControls[] = {
    {IDC_MBS_EVENT_ERRORS_ONLY, AfxWindowKind::kCheckBox, "Show errors only", 4, 4, 90, 10,
     kEventShown | WS_TABSTOP},
    {IDC_MBS_EVENT_LIST, AfxWindowKind::kList, "Events", 4, 18, 392, 160,
     kEventShown | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL},
};
constexpr DialogTemplate kEventPage{0, "Events", 400, 182, WS_CHILD, kEventPageControls, {}};

}  // namespace

MbsSystemMessagesEventPage::MbsSystemMessagesEventPage(CWnd* parent)
    : MbsSystemMessagesPage(parent, kEventPage, IDC_MBS_EVENT_LIST, {"Time", "Kind", "Message"}) {}

BOOL MbsSystemMessagesEventPage::OnlyShowErrors() const {
  const CWnd* box = GetDlgItem(IDC_MBS_EVENT_ERRORS_ONLY);
  return box != nullptr && box->m_hWnd->checked == BST_CHECKED ? TRUE : FALSE;
}

void MbsSystemMessagesEventPage::AddMessage(unsigned short type, const tagTIMEZQ* time, const char* text) {
  Message message{type, time == nullptr ? CString() : ZqTimeOfDayText(*time), SystemMessageText(text)};
  CListCtrl& list = GetListCtrl();
  if (messages_.size() >= kMessagesKept) {
    messages_.pop_back();
    list.DeleteItem(list.GetItemCount() - 1);
  }
  const int row = list.InsertItem(0, message.time.GetString(), EventTypeLevel(type));
  list.SetItemText(row, 1, EventTypeText(type));
  list.SetItemText(row, 2, message.text.GetString());
  list.SetItemData(row, type);
  messages_.push_front(std::move(message));
}

void MbsSystemMessagesEventPage::Init() {
  messages_.clear();
}

void MbsSystemMessagesEventPage::ClearDisplay() {
  GetListCtrl().DeleteAllItems();
}

// The messages shown were chosen with the switch as it was: the view shows the sonar's events anew.
void MbsSystemMessagesEventPage::OnErrorsOnlyClicked() {
  if (MbsSystemMessages* view = GetSystemMessagesView()) view->ShowEventsAnew();
}
