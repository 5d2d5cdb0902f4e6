// The host's one main window, open or closed.
#include "platform/afx/MainWindow.h"

#include <atomic>
#include <mutex>

namespace {

// The window is made once and kept for the process; only whether it is open changes, so that
// another thread that holds it never sees it destroyed.
class MainWindow : public CWnd {
 public:
  void Open(AfxMainWindowHandler handler) {
    {
      std::lock_guard lock(mutex_);
      handler_ = std::move(handler);
    }
    if (m_hWnd == nullptr) CreateAfxWindow(AfxWindowKind::kWindow, "Tavrin", WS_VISIBLE, CRect(), nullptr, 0);
    AfxSetWindowLive(m_hWnd, true);
  }
  void Close() {
    if (m_hWnd != nullptr) AfxSetWindowLive(m_hWnd, false);
    std::lock_guard lock(mutex_);
    handler_ = nullptr;
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    AfxMainWindowHandler handler;
    {
      std::lock_guard lock(mutex_);
      handler = handler_;
    }
    return handler ? handler(message, wParam, lParam) : CWnd::WindowProc(message, wParam, lParam);
  }

 private:
  std::mutex mutex_;
  AfxMainWindowHandler handler_;
};

MainWindow& TheMainWindow() {
  static auto* window = new MainWindow();  // lives as long as the process, for every thread
  return *window;
}

std::atomic<bool> open{false};
std::mutex openMutex;

}  // namespace

CWnd* AfxGetMainWnd() {
  return open.load() ? &TheMainWindow() : nullptr;
}

void AfxOpenMainWnd(AfxMainWindowHandler handler) {
  std::lock_guard lock(openMutex);
  TheMainWindow().Open(std::move(handler));
  open.store(true);
}

void AfxCloseMainWnd() {
  std::lock_guard lock(openMutex);
  open.store(false);
  TheMainWindow().Close();
}
