// Control state: check marks, scroll ranges and positions, list items and tabs.
#include "platform/afx/Controls.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/afx/CDataExchange.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CTabCtrl, CWnd)

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  if (control.m_hWnd != nullptr || exchange == nullptr || exchange->m_pDlgWnd == nullptr) return;
  CWnd* found = exchange->m_pDlgWnd->GetDlgItem(id);
  if (found != nullptr) control.Attach(found->m_hWnd);
}

int CButton::GetCheck() const {
  return m_hWnd == nullptr ? BST_UNCHECKED : m_hWnd->checked;
}

void CButton::SetCheck(int check) {
  if (m_hWnd == nullptr || m_hWnd->checked == check) return;
  m_hWnd->checked = check;
  m_hWnd->Changed();
}

void CScrollBar::SetScrollRange(int minPos, int maxPos, BOOL /*redraw*/) {
  if (m_hWnd == nullptr) return;
  const int pos = std::clamp(m_hWnd->scrollPos, minPos, std::max(minPos, maxPos));
  if (m_hWnd->scrollMin == minPos && m_hWnd->scrollMax == maxPos && m_hWnd->scrollPos == pos) return;
  m_hWnd->scrollMin = minPos;
  m_hWnd->scrollMax = maxPos;
  m_hWnd->scrollPos = pos;
  m_hWnd->Changed();
}

void CScrollBar::GetScrollRange(int* minPos, int* maxPos) const {
  *minPos = m_hWnd == nullptr ? 0 : m_hWnd->scrollMin;
  *maxPos = m_hWnd == nullptr ? 0 : m_hWnd->scrollMax;
}

int CScrollBar::SetScrollPos(int pos, BOOL /*redraw*/) {
  if (m_hWnd == nullptr) return 0;
  const int before = m_hWnd->scrollPos;
  const int inside = std::clamp(pos, m_hWnd->scrollMin, std::max(m_hWnd->scrollMin, m_hWnd->scrollMax));
  if (inside != before) {
    m_hWnd->scrollPos = inside;
    m_hWnd->Changed();
  }
  return before;
}

int CScrollBar::GetScrollPos() const {
  return m_hWnd == nullptr ? 0 : m_hWnd->scrollPos;
}

BOOL CScrollBar::SetScrollInfo(const SCROLLINFO* info, BOOL redraw) {
  if (m_hWnd == nullptr || info == nullptr) return FALSE;
  if ((info->fMask & SIF_PAGE) != 0 && m_hWnd->scrollPage != static_cast<int>(info->nPage)) {
    m_hWnd->scrollPage = static_cast<int>(info->nPage);
    m_hWnd->Changed();
  }
  if ((info->fMask & SIF_RANGE) != 0) SetScrollRange(info->nMin, info->nMax, redraw);
  if ((info->fMask & SIF_POS) != 0) SetScrollPos(info->nPos, redraw);
  return TRUE;
}

BOOL CScrollBar::GetScrollInfo(SCROLLINFO* info, UINT mask) const {
  if (m_hWnd == nullptr || info == nullptr) return FALSE;
  info->fMask = mask;
  if ((mask & SIF_RANGE) != 0) {
    info->nMin = m_hWnd->scrollMin;
    info->nMax = m_hWnd->scrollMax;
  }
  if ((mask & SIF_PAGE) != 0) info->nPage = static_cast<UINT>(m_hWnd->scrollPage);
  if ((mask & SIF_POS) != 0) info->nPos = info->nTrackPos = m_hWnd->scrollPos;
  return TRUE;
}

BOOL CScrollBar::EnableScrollBar(UINT arrows) {
  EnableWindow(arrows != ESB_DISABLE_BOTH);
  return TRUE;
}

void CScrollBar::ShowScrollBar(BOOL show) {
  ShowWindow(show ? SW_SHOW : SW_HIDE);
}

CScrollBar* AfxScrollBarFromParam(LPARAM lParam) {
  CWnd* window = CWnd::FromHandle(reinterpret_cast<HWND>(lParam));
  return window != nullptr && window->IsKindOf(RUNTIME_CLASS(CScrollBar)) ? static_cast<CScrollBar*>(window)
                                                                          : nullptr;
}

namespace {

// Letters compared without case, as list boxes compare their items.
int CompareNoCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int left = std::tolower(static_cast<unsigned char>(a[i]));
    const int right = std::tolower(static_cast<unsigned char>(b[i]));
    if (left != right) return left < right ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool BeginsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace

int CComboBox::AddString(const char* text) {
  if (m_hWnd == nullptr) return CB_ERR;
  const CString item(text);
  auto& items = m_hWnd->items;
  auto at = items.end();
  if (m_hWnd->IsSorted()) {
    at = std::ranges::find_if(
        items, [&item](const CString& other) { return CompareNoCase(other.View(), item.View()) > 0; });
  }
  const int index = static_cast<int>(at - items.begin());
  items.insert(at, item);
  if (m_hWnd->selection >= index) ++m_hWnd->selection;
  m_hWnd->Changed();
  return index;
}

int CComboBox::InsertString(int index, const char* text) {
  if (m_hWnd == nullptr) return CB_ERR;
  auto& items = m_hWnd->items;
  if (index < 0 || index > static_cast<int>(items.size())) index = static_cast<int>(items.size());
  items.insert(items.begin() + index, CString(text));
  if (m_hWnd->selection >= index) ++m_hWnd->selection;
  m_hWnd->Changed();
  return index;
}

int CComboBox::DeleteString(int index) {
  if (m_hWnd == nullptr || index < 0 || index >= GetCount()) return CB_ERR;
  m_hWnd->items.erase(m_hWnd->items.begin() + index);
  if (m_hWnd->selection == index) {
    m_hWnd->selection = -1;
  } else if (m_hWnd->selection > index) {
    --m_hWnd->selection;
  }
  m_hWnd->Changed();
  return GetCount();
}

void CComboBox::ResetContent() {
  if (m_hWnd == nullptr || (m_hWnd->items.empty() && m_hWnd->selection == -1)) return;
  m_hWnd->items.clear();
  m_hWnd->selection = -1;
  m_hWnd->Changed();
}

int CComboBox::GetCount() const {
  return m_hWnd == nullptr ? 0 : static_cast<int>(m_hWnd->items.size());
}

int CComboBox::GetCurSel() const {
  return m_hWnd == nullptr ? CB_ERR : m_hWnd->selection;
}

int CComboBox::SetCurSel(int index) {
  if (m_hWnd == nullptr) return CB_ERR;
  const bool inside = index >= 0 && index < GetCount();
  const int selection = inside ? index : -1;
  if (m_hWnd->selection != selection) {
    m_hWnd->selection = selection;
    m_hWnd->Changed();
  }
  return inside ? index : CB_ERR;
}

void CComboBox::GetLBText(int index, CString& text) const {
  text = index >= 0 && index < GetCount() ? m_hWnd->items[static_cast<std::size_t>(index)] : CString();
}

int CComboBox::GetLBTextLen(int index) const {
  return index >= 0 && index < GetCount() ? m_hWnd->items[static_cast<std::size_t>(index)].GetLength()
                                          : CB_ERR;
}

int CComboBox::FindString(int startAfter, const char* prefix) const {
  const int count = GetCount();
  const std::string_view wanted = prefix == nullptr ? std::string_view() : std::string_view(prefix);
  const int first = startAfter < 0 || startAfter >= count ? 0 : startAfter + 1;
  for (int step = 0; step < count; ++step) {
    const int index = (first + step) % count;
    if (BeginsWithNoCase(m_hWnd->items[static_cast<std::size_t>(index)].View(), wanted)) return index;
  }
  return CB_ERR;
}

int CComboBox::SelectString(int startAfter, const char* prefix) {
  const int found = FindString(startAfter, prefix);
  if (found != CB_ERR) SetCurSel(found);
  return found;
}

int CTabCtrl::InsertItem(int index, const char* text) {
  if (m_hWnd == nullptr || index < 0) return -1;
  auto& items = m_hWnd->items;
  index = std::min(index, static_cast<int>(items.size()));
  items.insert(items.begin() + index, CString(text));
  if (m_hWnd->selection >= index) ++m_hWnd->selection;
  m_hWnd->Changed();
  return index;
}

int CTabCtrl::InsertItem(int index, const TCITEM* item) {
  if (item == nullptr || (item->mask & TCIF_TEXT) == 0) return InsertItem(index, "");
  return InsertItem(index, item->pszText);
}

BOOL CTabCtrl::DeleteAllItems() {
  if (m_hWnd == nullptr) return FALSE;
  if (m_hWnd->items.empty() && m_hWnd->selection == -1) return TRUE;
  m_hWnd->items.clear();
  m_hWnd->selection = -1;
  m_hWnd->Changed();
  return TRUE;
}

int CTabCtrl::GetItemCount() const {
  return m_hWnd == nullptr ? 0 : static_cast<int>(m_hWnd->items.size());
}

int CTabCtrl::GetCurSel() const {
  return m_hWnd == nullptr ? -1 : m_hWnd->selection;
}

int CTabCtrl::SetCurSel(int index) {
  if (m_hWnd == nullptr || index < 0 || index >= GetItemCount()) return -1;
  const int before = m_hWnd->selection;
  if (before != index) {
    m_hWnd->selection = index;
    m_hWnd->Changed();
  }
  return before;
}

void CTabCtrl::AdjustRect(BOOL larger, CRect* rect) const {
  if (larger) {
    rect->DeflateRect(-kBorder, -(kBorder + kTabRowHeight), -kBorder, -kBorder);
  } else {
    rect->DeflateRect(kBorder, kBorder + kTabRowHeight, kBorder, kBorder);
  }
}
