// The application's main window as the framework shows it to every thread. The host on Linux has no
// window: it opens its main window when it starts running and closes it when it begins to shut
// down, so that work which stops "when the main window is gone" stops with the host.
#pragma once

using HWND = void*;

class CWnd {
 public:
  explicit CWnd(HWND handle) : m_hWnd(handle) {}

  HWND m_hWnd;
};

// The main window; null while the host has none open.
CWnd* AfxGetMainWnd();
// Whether handle is a window that is still open.
bool IsWindow(HWND handle);

// Called by the host: its main window opens as it starts running and closes as it begins to stop.
void AfxOpenMainWnd();
void AfxCloseMainWnd();
