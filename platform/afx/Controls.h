// The controls of dialogs and form views: labels, text fields, buttons (push, check, radio), scroll
// bars, drop-down lists and tab controls. Each keeps its state in its window, so that the pages can
// be driven and read without a screen.
#pragma once

#include "platform/afx/CWnd.h"

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)
};

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  int GetCheck() const;
  void SetCheck(int check);
};

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
inline constexpr UINT SIF_RANGE = 0x1;
inline constexpr UINT SIF_PAGE = 0x2;
inline constexpr UINT SIF_POS = 0x4;
inline constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS;
inline constexpr UINT ESB_ENABLE_BOTH = 0;
inline constexpr UINT ESB_DISABLE_BOTH = 3;

class CScrollBar : public CWnd {
  DECLARE_DYNAMIC(CScrollBar)

 public:
  // Sets the range; the position is kept inside it.
  void SetScrollRange(int minPos, int maxPos, BOOL redraw = TRUE);
  void GetScrollRange(int* minPos, int* maxPos) const;
  // Returns the position before.
  int SetScrollPos(int pos, BOOL redraw = TRUE);
  int GetScrollPos() const;
  BOOL SetScrollInfo(const SCROLLINFO* info, BOOL redraw = TRUE);
  BOOL GetScrollInfo(SCROLLINFO* info, UINT mask = SIF_ALL) const;
  BOOL EnableScrollBar(UINT arrows = ESB_ENABLE_BOTH);
  void ShowScrollBar(BOOL show = TRUE);
};

// The scroll bar that a scroll message names in its lParam; null for none.
CScrollBar* AfxScrollBarFromParam(LPARAM lParam);

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)

 public:
  // Adds an item: at its place in text order for a sorted box (letters compared without case), at
  // the end otherwise. Returns its index.
  int AddString(const char* text);
  int InsertString(int index, const char* text);
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  // Selects index (-1 clears the selection); CB_ERR for an index outside the list, which also clears it.
  int SetCurSel(int index);
  void GetLBText(int index, CString& text) const;
  int GetLBTextLen(int index) const;
  // The first item after startAfter (-1: from the top) that begins with prefix, letters compared
  // without case, searching on from the top after the end; CB_ERR when none does.
  int FindString(int startAfter, const char* prefix) const;
  // FindString, then selects what it found; CB_ERR (selection unchanged) when nothing was found.
  int SelectString(int startAfter, const char* prefix);
};

struct TCITEM {
  UINT mask = 0;
  const char* pszText = nullptr;
};
inline constexpr UINT TCIF_TEXT = 0x1;

class CTabCtrl : public CWnd {
  DECLARE_DYNAMIC(CTabCtrl)

 public:
  // Height of the row of tabs and width of the frame round the display area, in pixels.
  static constexpr int kTabRowHeight = 21;
  static constexpr int kBorder = 4;

  // Inserts a tab with text at index (at the end when index is past it). Returns its index, -1 on failure.
  int InsertItem(int index, const char* text);
  int InsertItem(int index, const TCITEM* item);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  int GetCurSel() const;
  // Selects a tab; returns the tab selected before, -1 for an index outside the tabs.
  int SetCurSel(int index);
  // larger false: rect, a window rectangle, becomes the display area inside it; true: the reverse.
  void AdjustRect(BOOL larger, CRect* rect) const;
};
