// Windows of the headless window framework. A window (AfxWindow, what HWND points to) holds what a
// screen would show: kind, control id, text, style, enabled and visible state, rectangle in its
// parent's client area, children in Z order, and the state of its control kind (scroll range and
// position, list items and selection, check state, list rows). A CWnd is the object that handles a window's
// messages through its message map; several may be attached to one window (a dialog's member bound
// to a control by data exchange), the last attached handles its messages. Everything here runs on the
// host's UI thread, except PostMessage and IsWindow, which any thread may call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/afx/Geometry.h"
#include "platform/afx/MessageMap.h"
#include "platform/afx/WindowsTypes.h"

class CWnd;
class CScrollBar;
class CDataExchange;

enum class AfxWindowKind {
  kWindow,     // a plain window (the host's main window)
  kFrame,      // a frame around a view
  kFormView,   // a view drawn from a dialog template
  kDialog,     // a dialog, modeless child dialogs included
  kStatic,     // a text label
  kEdit,       // a text field
  kButton,     // a push button
  kCheckBox,   // a check box
  kRadio,      // a radio button
  kScrollBar,  // a scroll bar, horizontal or vertical
  kComboBox,   // a drop-down list
  kTab,        // a tab control
  kGroupBox,   // a frame with a caption around related controls
  kList,       // a list control: rows of cells under column headings
};

// One row of a list control: its cells (column 0 first), the index of its image and its item data.
struct AfxListRow {
  std::vector<CString> cells;
  int image = 0;
  LPARAM data = 0;
};

struct AfxWindow {
  AfxWindowKind kind = AfxWindowKind::kWindow;
  int id = 0;
  CString text;
  unsigned long style = 0;
  bool enabled = true;
  bool visible = false;
  CRect rect;  // in the parent's client area
  AfxWindow* parent = nullptr;
  std::vector<std::unique_ptr<AfxWindow>> children;  // the top of the Z order first
  std::vector<CWnd*> attached;                       // the last one handles the messages
  std::unique_ptr<CWnd> ownWrapper;                  // made for controls created from a template

  // Scroll bars.
  int scrollMin = 0;
  int scrollMax = 100;
  int scrollPos = 0;
  int scrollPage = 0;
  // Combo boxes and tab controls.
  std::vector<CString> items;
  int selection = -1;
  // Check boxes and radio buttons.
  int checked = 0;
  // List controls (selection above: the selected row).
  std::vector<CString> columns;
  std::vector<AfxListRow> rows;
  // Form views: the size of what they show, and whether the view scrolls it (total larger than the view).
  CSize scrollTotal;

  // Top-level windows: grows with every change anywhere in the window's tree.
  std::uint64_t version = 0;

  ~AfxWindow();
  bool IsVertical() const;
  bool IsSorted() const;
  // Counts a change of this window in its top-level window's version.
  void Changed();
  AfxWindow* Root();
};

using HWND = AfxWindow*;

class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  // Destroys the window if it still exists.
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The object that handles the window's messages; null for a null or destroyed window.
  static CWnd* FromHandle(HWND window);

  // Creates a window of kind as a child of parent (top-level without one), at the top of the parent's
  // Z order, visible with WS_VISIBLE and disabled with WS_DISABLED. False when this object already
  // has a window.
  bool CreateAfxWindow(AfxWindowKind kind, const char* text, unsigned long style, const CRect& rect,
                       CWnd* parent, int id);
  // Destroys the window and its children; each object that handled one of them then hears
  // PostNcDestroy. False when there is no window.
  virtual BOOL DestroyWindow();
  // Attaches this object to an existing window, which it then handles; Detach lets go of it.
  BOOL Attach(HWND window);
  HWND Detach();

  void SetWindowText(const char* text);
  void GetWindowText(CString& text) const;
  int GetDlgCtrlID() const;
  unsigned long GetStyle() const;
  // Returns whether the window was disabled before.
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  // Returns whether the window was visible before.
  BOOL ShowWindow(int command);
  // Visible itself and every window it lies in.
  BOOL IsWindowVisible() const;
  // Moves the window (rectangle in its parent's client area); a change of size sends it WM_SIZE.
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(const CRect& rect, BOOL repaint = TRUE);
  // The rectangle in the parent's client area (the framework has no screen coordinates).
  void GetWindowRect(CRect* rect) const;
  void GetClientRect(CRect* rect) const;
  // Puts the window at the top of its parent's Z order.
  void BringWindowToTop();

  CWnd* GetParent() const;
  // The first child window, at any depth, with that control id; null when there is none.
  CWnd* GetDlgItem(int id) const;
  // The child at the top of the Z order; null without children.
  CWnd* GetTopWindow() const;

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Queues the message for the window on the UI thread; false when there is no window or no UI
  // thread takes posted messages.
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Data exchange between the object's members and its controls (save: from the controls).
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* exchange);

  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // The handling of messages that no map entry takes: a help request goes up to the parent.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Called once the window is destroyed and this object let go of it.
  virtual void PostNcDestroy() {}

  // Base handlers, for derived classes to call.
  void OnSize(UINT type, int cx, int cy);
  void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
  void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
  BOOL OnHelpInfo(HELPINFO* info);

 private:
  friend void AfxDestroyWindowTree(AfxWindow* window);
  bool DispatchMapped(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// Whether the window exists (any thread).
bool IsWindow(HWND window);

// The UI thread's message queue: the host hands the framework its UI thread and a way to run work
// on it (false once the thread stops taking work). Without one, PostMessage posts nothing.
using AfxUiPoster = std::function<bool(std::function<void()> work)>;
void AfxSetUiThread(std::thread::id uiThread, AfxUiPoster poster);
// Whether the caller runs on the UI thread (false while the host has none).
bool AfxIsUiThread();
// Runs work on the UI thread later, in order with the messages posted there; false when it cannot.
bool AfxPostToUiThread(std::function<void()> work);

// Takes a window that stays made out of the live windows, or back in: the main window, which closes
// and opens while other threads may hold it.
void AfxSetWindowLive(HWND window, bool live);

// Destroys window and its children (UI thread).
void AfxDestroyWindowTree(AfxWindow* window);
