// Page windows, their lists and their sizing.
#include "platform/tavrin/MbsSystemMessagesPage.h"

#include <algorithm>

#include "platform/tavrin/MbsSystemMessages.h"
#include "platform/tavrin/SonarText.h"

IMPLEMENT_DYNAMIC(MbsSystemMessagesPage, CDialog)

BEGIN_MESSAGE_MAP(MbsSystemMessagesPage, CDialog)
ON_WM_SIZE()
END_MESSAGE_MAP()

MbsSystemMessagesPage::MbsSystemMessagesPage(CWnd* parent, const DialogTemplate& form, int listId,
                                             std::initializer_list<const char*> columns)
    : CDialog(0, parent), form_(form), listId_(listId), columns_(columns) {}

BOOL MbsSystemMessagesPage::CreatePage() {
  return CreateIndirect(&form_, parent_);
}

BOOL MbsSystemMessagesPage::OnInitDialog() {
  CDialog::OnInitDialog();
  if (CWnd* list = GetDlgItem(listId_)) list_.Attach(list->m_hWnd);
  int column = 0;
  for (const char* heading : columns_) list_.InsertColumn(column++, heading);
  initialized_ = list_.m_hWnd != nullptr;
  return TRUE;
}

// The list keeps its place from the template's top and fills the rest of the page.
void MbsSystemMessagesPage::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  if (list_.m_hWnd == nullptr) return;
  CRect rect;
  list_.GetWindowRect(&rect);
  list_.MoveWindow(rect.left, rect.top, std::max(0, cx - 2 * rect.left),
                   std::max(0, cy - rect.top - rect.left));
}

MbsSystemMessages* MbsSystemMessagesPage::GetSystemMessagesView() const {
  return dynamic_cast<MbsSystemMessages*>(GetParent());
}

CString SystemMessageText(const char* text) {
  return text == nullptr ? CString() : CString(SonarTextToUtf8(text));
}
