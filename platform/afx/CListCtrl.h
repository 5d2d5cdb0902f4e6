// The list control: rows of cells under column headings, each row with an image index and item data,
// as a report view shows them. A list with LVS_OWNERDATA holds no rows of its own making: its owner
// says how many there are, and the list asks its parent for each row (LVN_GETDISPINFO) when it is
// drawn again (Invalidate), unless drawing is held off (SetRedraw(FALSE)).
#pragma once

#include <string>

#include "platform/afx/CWnd.h"

inline constexpr unsigned long LVS_REPORT = 0x0001;
inline constexpr unsigned long LVS_SINGLESEL = 0x0004;
inline constexpr unsigned long LVS_OWNERDATA = 0x1000;

inline constexpr UINT LVIF_TEXT = 0x1;
inline constexpr UINT LVIF_IMAGE = 0x2;
inline constexpr UINT LVIF_PARAM = 0x4;
inline constexpr int LVCFMT_LEFT = 0;

// Notification codes sent to the list's parent with WM_NOTIFY.
inline constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(-101);
inline constexpr UINT LVN_GETDISPINFO = static_cast<UINT>(-150);

struct LVITEM {
  UINT mask = 0;
  int iItem = 0;
  int iSubItem = 0;
  char* pszText = nullptr;  // LVIF_TEXT: the text, or (getting) a buffer of cchTextMax bytes
  int cchTextMax = 0;
  int iImage = 0;
  LPARAM lParam = 0;
};

// What an owner-data list asks its parent for: item.iItem and item.iSubItem name the cell, item.mask
// what to fill in (the text into item.pszText, at most item.cchTextMax bytes with the zero).
struct NMLVDISPINFO {
  NMHDR hdr;
  LVITEM item;
};

// Compares two rows by their places in the list before sorting: negative, 0 or positive.
using PFNLVCOMPARE = int (*)(LPARAM first, LPARAM second, LPARAM sortData);

class CListCtrl : public CWnd {
  DECLARE_DYNAMIC(CListCtrl)

 public:
  // The longest cell text an owner-data list takes from its parent, zero included.
  static constexpr int kDispInfoTextCapacity = 1024;

  // Inserts a column heading at column (at the end when past it); returns its index, -1 on failure.
  int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1);
  int GetColumnCount() const;

  int GetItemCount() const;
  // Inserts a row with text in column 0 (and image) at index, at the end when past it; returns its
  // index, -1 on failure. Other cells are empty, item data 0.
  int InsertItem(int index, const char* text);
  int InsertItem(int index, const char* text, int image);
  int InsertItem(const LVITEM* item);
  BOOL DeleteItem(int index);
  BOOL DeleteAllItems();

  BOOL SetItemText(int index, int column, const char* text);
  CString GetItemText(int index, int column) const;
  // The fields of item->mask (text of item->iSubItem, image, item data) of row item->iItem.
  BOOL SetItem(const LVITEM* item);
  BOOL GetItem(LVITEM* item) const;
  BOOL SetItemData(int index, LPARAM data);
  LPARAM GetItemData(int index) const;

  // The selected row, -1 for none.
  int GetSelectionMark() const;
  int SetSelectionMark(int index);

  // Sorts the rows, stably, by compare(place of one, place of another, sortData).
  BOOL SortItemsEx(PFNLVCOMPARE compare, LPARAM sortData);

  // Owner-data lists: the number of rows; they are asked for at the next drawing.
  void SetItemCountEx(int count);
  // Holds drawing off (FALSE) or lets it go on again (TRUE), as WM_SETREDRAW.
  void SetRedraw(BOOL redraw = TRUE);
  // Draws the list again: an owner-data list asks its parent for every row.
  void Invalidate(BOOL erase = TRUE);

 private:
  AfxListRow* Row(int index) const;
  void FetchRows();

  int ownerDataCount_ = 0;
  bool redraw_ = true;
};
