// List control state: columns, rows, selection, sorting and owner-data drawing.
#include "platform/afx/CListCtrl.h"

#include <algorithm>
#include <array>
#include <numeric>

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

AfxListRow* CListCtrl::Row(int index) const {
  if (m_hWnd == nullptr || index < 0 || index >= static_cast<int>(m_hWnd->rows.size())) return nullptr;
  return &m_hWnd->rows[static_cast<std::size_t>(index)];
}

int CListCtrl::InsertColumn(int column, const char* heading, int /*format*/, int /*width*/) {
  if (m_hWnd == nullptr || column < 0) return -1;
  auto& columns = m_hWnd->columns;
  column = std::min(column, static_cast<int>(columns.size()));
  columns.insert(columns.begin() + column, CString(heading));
  m_hWnd->Changed();
  return column;
}

int CListCtrl::GetColumnCount() const {
  return m_hWnd == nullptr ? 0 : static_cast<int>(m_hWnd->columns.size());
}

int CListCtrl::GetItemCount() const {
  return m_hWnd == nullptr ? 0 : static_cast<int>(m_hWnd->rows.size());
}

int CListCtrl::InsertItem(int index, const char* text) {
  return InsertItem(index, text, 0);
}

int CListCtrl::InsertItem(int index, const char* text, int image) {
  LVITEM item;
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.pszText = const_cast<char*>(text);  // NOLINT(cppcoreguidelines-pro-type-const-cast): only read
  item.iImage = image;
  return InsertItem(&item);
}

int CListCtrl::InsertItem(const LVITEM* item) {
  if (m_hWnd == nullptr || item == nullptr || item->iItem < 0 || (GetStyle() & LVS_OWNERDATA) != 0) return -1;
  auto& rows = m_hWnd->rows;
  const int index = std::min(item->iItem, static_cast<int>(rows.size()));
  AfxListRow row;
  row.cells.resize(std::max<std::size_t>(1, m_hWnd->columns.size()));
  if ((item->mask & LVIF_TEXT) != 0 && item->pszText != nullptr) row.cells[0] = CString(item->pszText);
  if ((item->mask & LVIF_IMAGE) != 0) row.image = item->iImage;
  if ((item->mask & LVIF_PARAM) != 0) row.data = item->lParam;
  rows.insert(rows.begin() + index, std::move(row));
  if (m_hWnd->selection >= index) ++m_hWnd->selection;
  m_hWnd->Changed();
  return index;
}

BOOL CListCtrl::DeleteItem(int index) {
  if (Row(index) == nullptr) return FALSE;
  m_hWnd->rows.erase(m_hWnd->rows.begin() + index);
  if (m_hWnd->selection == index) {
    m_hWnd->selection = -1;
  } else if (m_hWnd->selection > index) {
    --m_hWnd->selection;
  }
  m_hWnd->Changed();
  return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
  if (m_hWnd == nullptr) return FALSE;
  ownerDataCount_ = 0;
  if (m_hWnd->rows.empty() && m_hWnd->selection == -1) return TRUE;
  m_hWnd->rows.clear();
  m_hWnd->selection = -1;
  m_hWnd->Changed();
  return TRUE;
}

BOOL CListCtrl::SetItemText(int index, int column, const char* text) {
  AfxListRow* row = Row(index);
  if (row == nullptr || column < 0 || column >= std::max(1, GetColumnCount())) return FALSE;
  if (static_cast<int>(row->cells.size()) <= column) row->cells.resize(static_cast<std::size_t>(column) + 1);
  CString& cell = row->cells[static_cast<std::size_t>(column)];
  const CString value(text);
  if (cell != value) {
    cell = value;
    m_hWnd->Changed();
  }
  return TRUE;
}

CString CListCtrl::GetItemText(int index, int column) const {
  const AfxListRow* row = Row(index);
  if (row == nullptr || column < 0 || column >= static_cast<int>(row->cells.size())) return {};
  return row->cells[static_cast<std::size_t>(column)];
}

BOOL CListCtrl::SetItem(const LVITEM* item) {
  if (item == nullptr) return FALSE;
  AfxListRow* row = Row(item->iItem);
  if (row == nullptr) return FALSE;
  if ((item->mask & LVIF_TEXT) != 0 && !SetItemText(item->iItem, item->iSubItem, item->pszText)) return FALSE;
  if ((item->mask & LVIF_IMAGE) != 0 && row->image != item->iImage) {
    row->image = item->iImage;
    m_hWnd->Changed();
  }
  if ((item->mask & LVIF_PARAM) != 0) SetItemData(item->iItem, item->lParam);
  return TRUE;
}

BOOL CListCtrl::GetItem(LVITEM* item) const {
  if (item == nullptr) return FALSE;
  const AfxListRow* row = Row(item->iItem);
  if (row == nullptr) return FALSE;
  if ((item->mask & LVIF_TEXT) != 0 && item->pszText != nullptr && item->cchTextMax > 0) {
    const CString text = GetItemText(item->iItem, item->iSubItem);
    const auto length =
        std::min<std::size_t>(text.View().size(), static_cast<std::size_t>(item->cchTextMax) - 1);
    std::copy_n(text.View().data(), length, item->pszText);
    item->pszText[length] = '\0';
  }
  if ((item->mask & LVIF_IMAGE) != 0) item->iImage = row->image;
  if ((item->mask & LVIF_PARAM) != 0) item->lParam = row->data;
  return TRUE;
}

BOOL CListCtrl::SetItemData(int index, LPARAM data) {
  AfxListRow* row = Row(index);
  if (row == nullptr) return FALSE;
  if (row->data != data) {
    row->data = data;
    m_hWnd->Changed();
  }
  return TRUE;
}

LPARAM CListCtrl::GetItemData(int index) const {
  const AfxListRow* row = Row(index);
  return row == nullptr ? 0 : row->data;
}

int CListCtrl::GetSelectionMark() const {
  return m_hWnd == nullptr ? -1 : m_hWnd->selection;
}

int CListCtrl::SetSelectionMark(int index) {
  if (m_hWnd == nullptr) return -1;
  const int before = m_hWnd->selection;
  const int selection = Row(index) == nullptr ? -1 : index;
  if (selection != before) {
    m_hWnd->selection = selection;
    m_hWnd->Changed();
  }
  return before;
}

BOOL CListCtrl::SortItemsEx(PFNLVCOMPARE compare, LPARAM sortData) {
  if (m_hWnd == nullptr || compare == nullptr) return FALSE;
  auto& rows = m_hWnd->rows;
  std::vector<std::size_t> places(rows.size());
  std::iota(places.begin(), places.end(), std::size_t{0});
  std::ranges::stable_sort(places, [compare, sortData](std::size_t a, std::size_t b) {
    return compare(static_cast<LPARAM>(a), static_cast<LPARAM>(b), sortData) < 0;
  });
  std::vector<AfxListRow> sorted;
  sorted.reserve(rows.size());
  int selection = -1;
  for (std::size_t place : places) {
    if (static_cast<int>(place) == m_hWnd->selection) selection = static_cast<int>(sorted.size());
    sorted.push_back(std::move(rows[place]));
  }
  const bool moved = !std::ranges::is_sorted(places);
  rows = std::move(sorted);
  m_hWnd->selection = selection;
  if (moved) m_hWnd->Changed();
  return TRUE;
}

void CListCtrl::SetItemCountEx(int count) {
  ownerDataCount_ = std::max(0, count);
}

void CListCtrl::SetRedraw(BOOL redraw) {
  redraw_ = redraw != FALSE;
}

void CListCtrl::Invalidate(BOOL /*erase*/) {
  if (m_hWnd == nullptr || !redraw_ || (GetStyle() & LVS_OWNERDATA) == 0) return;
  FetchRows();
}

// Asks the parent for every cell, image and item data of the owner-data rows and keeps what changed.
void CListCtrl::FetchRows() {
  CWnd* parent = GetParent();
  std::vector<AfxListRow> rows(static_cast<std::size_t>(ownerDataCount_));
  const std::size_t columns = std::max<std::size_t>(1, m_hWnd->columns.size());
  std::array<char, kDispInfoTextCapacity> text{};
  for (std::size_t r = 0; r < rows.size() && parent != nullptr; ++r) {
    AfxListRow& row = rows[r];
    row.cells.resize(columns);
    for (std::size_t c = 0; c < columns; ++c) {
      NMLVDISPINFO info;
      info.hdr = {m_hWnd, static_cast<UINT>(GetDlgCtrlID()), LVN_GETDISPINFO};
      info.item.mask = LVIF_TEXT | (c == 0 ? LVIF_IMAGE | LVIF_PARAM : 0u);
      info.item.iItem = static_cast<int>(r);
      info.item.iSubItem = static_cast<int>(c);
      text[0] = '\0';
      info.item.pszText = text.data();
      info.item.cchTextMax = static_cast<int>(text.size());
      parent->SendMessage(WM_NOTIFY, static_cast<WPARAM>(GetDlgCtrlID()), reinterpret_cast<LPARAM>(&info));
      text.back() = '\0';  // whatever the parent wrote, the cell ends inside the buffer
      row.cells[c] = CString(info.item.pszText == text.data() ? text.data() : info.item.pszText);
      if (c == 0) {
        row.image = info.item.iImage;
        row.data = info.item.lParam;
      }
    }
  }
  auto& kept = m_hWnd->rows;
  const bool same = std::ranges::equal(kept, rows, [](const AfxListRow& a, const AfxListRow& b) {
    return a.cells == b.cells && a.image == b.image && a.data == b.data;
  });
  if (same) return;
  kept = std::move(rows);
  if (m_hWnd->selection >= static_cast<int>(kept.size())) m_hWnd->selection = -1;
  m_hWnd->Changed();
}
