// The host's one main window, open or closed.
#include "platform/afx/MainWindow.h"

#include <atomic>

namespace {

// The window's handle stays the same; only whether it is open changes.
char windowToken;
CWnd mainWindow(&windowToken);
std::atomic<bool> open{false};

}  // namespace

CWnd* AfxGetMainWnd() {
  return open.load() ? &mainWindow : nullptr;
}

bool IsWindow(HWND handle) {
  return handle != nullptr && handle == mainWindow.m_hWnd && open.load();
}

void AfxOpenMainWnd() {
  open.store(true);
}

void AfxCloseMainWnd() {
  open.store(false);
}
