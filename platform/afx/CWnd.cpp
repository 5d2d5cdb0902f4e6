// Window creation, destruction, state and message dispatch.
#include "platform/afx/CWnd.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/afx/CDataExchange.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

namespace {

// The windows that exist, for IsWindow and for posted messages whose window may be gone by the time
// they are handled. Top-level windows are owned here; children by their parents.
struct WindowRegistry {
  std::mutex mutex;
  // Each live window with the serial it was made (or taken back in) under: a window made later at a
  // destroyed one's address has another, so that what was posted to the old one does not reach it.
  std::unordered_map<const AfxWindow*, std::uint64_t> live;
  std::uint64_t lastSerial = 0;
  std::vector<std::unique_ptr<AfxWindow>> topLevel;
  AfxUiPoster poster;
  std::thread::id uiThread;
};

WindowRegistry& Registry() {
  static WindowRegistry registry;
  return registry;
}

// The serial of a live window; 0 for one that is not live.
std::uint64_t LiveSerial(const AfxWindow* window) {
  WindowRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  const auto found = registry.live.find(window);
  return found == registry.live.end() ? 0 : found->second;
}

// Takes window out of its parent's children (or the top-level list) and hands its ownership over.
std::unique_ptr<AfxWindow> Unlink(AfxWindow* window) {
  std::vector<std::unique_ptr<AfxWindow>>* list = nullptr;
  WindowRegistry& registry = Registry();
  std::unique_lock lock(registry.mutex, std::defer_lock);
  if (window->parent != nullptr) {
    list = &window->parent->children;
  } else {
    lock.lock();
    list = &registry.topLevel;
  }
  const auto found =
      std::ranges::find_if(*list, [window](const auto& owned) { return owned.get() == window; });
  if (found == list->end()) return nullptr;
  std::unique_ptr<AfxWindow> owned = std::move(*found);
  list->erase(found);
  return owned;
}

}  // namespace

// A window that goes without DestroyWindow (the process ends while it is open) first lets go of the
// objects that handle it, so that none of them destroys it a second time.
AfxWindow::~AfxWindow() {
  for (CWnd* wrapper : attached) {
    if (wrapper->m_hWnd == this) wrapper->m_hWnd = nullptr;
  }
  if (ownWrapper && ownWrapper->m_hWnd == this) ownWrapper->m_hWnd = nullptr;
}

bool AfxWindow::IsVertical() const {
  return kind == AfxWindowKind::kScrollBar && (style & SBS_VERT) != 0;
}

bool AfxWindow::IsSorted() const {
  return kind == AfxWindowKind::kComboBox && (style & CBS_SORT) != 0;
}

AfxWindow* AfxWindow::Root() {
  AfxWindow* root = this;
  while (root->parent != nullptr) root = root->parent;
  return root;
}

void AfxWindow::Changed() {
  ++Root()->version;
}

bool IsWindow(HWND window) {
  if (window == nullptr) return false;
  WindowRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  return registry.live.contains(window);
}

void AfxSetWindowLive(HWND window, bool live) {
  WindowRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  if (live) {
    registry.live.try_emplace(window, ++registry.lastSerial);
  } else {
    registry.live.erase(window);
  }
}

void AfxSetUiThread(std::thread::id uiThread, AfxUiPoster poster) {
  WindowRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  registry.uiThread = uiThread;
  registry.poster = std::move(poster);
}

bool AfxIsUiThread() {
  WindowRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  return registry.poster && registry.uiThread == std::this_thread::get_id();
}

bool AfxPostToUiThread(std::function<void()> work) {
  AfxUiPoster poster;
  {
    WindowRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    poster = registry.poster;
  }
  return poster && poster(std::move(work));
}

void AfxDestroyWindowTree(AfxWindow* window) {
  // Children first, each taken out of the tree as it goes, so that no object hears of a window
  // whose children still call on it.
  while (!window->children.empty()) AfxDestroyWindowTree(window->children.front().get());
  {
    WindowRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    registry.live.erase(window);
  }
  const std::vector<CWnd*> attached = std::move(window->attached);
  for (CWnd* wrapper : attached) wrapper->m_hWnd = nullptr;
  if (window->parent != nullptr) window->parent->Changed();
  std::unique_ptr<AfxWindow> owned = Unlink(window);
  for (CWnd* wrapper : attached) {
    if (owned == nullptr || wrapper != owned->ownWrapper.get()) wrapper->PostNcDestroy();
  }
}

CWnd::~CWnd() {
  if (m_hWnd == nullptr) return;
  // Only this object lets go; its window and what else handles it go with the tree.
  std::erase(m_hWnd->attached, this);
  AfxDestroyWindowTree(std::exchange(m_hWnd, nullptr));
}

CWnd* CWnd::FromHandle(HWND window) {
  if (window == nullptr || window->attached.empty()) return nullptr;
  return window->attached.back();
}

bool CWnd::CreateAfxWindow(AfxWindowKind kind, const char* text, unsigned long style, const CRect& rect,
                           CWnd* parent, int id) {
  if (m_hWnd != nullptr) return false;
  auto window = std::make_unique<AfxWindow>();
  window->kind = kind;
  window->id = id;
  window->text = CString(text);
  window->style = style;
  window->enabled = (style & WS_DISABLED) == 0;
  window->visible = (style & WS_VISIBLE) != 0;
  window->rect = rect;
  window->attached.push_back(this);
  AfxWindow* created = window.get();
  WindowRegistry& registry = Registry();
  if (parent != nullptr && parent->m_hWnd != nullptr) {
    window->parent = parent->m_hWnd;
    parent->m_hWnd->children.insert(parent->m_hWnd->children.begin(), std::move(window));
    std::lock_guard lock(registry.mutex);
    registry.live.emplace(created, ++registry.lastSerial);
  } else {
    std::lock_guard lock(registry.mutex);
    registry.live.emplace(created, ++registry.lastSerial);
    registry.topLevel.push_back(std::move(window));
  }
  m_hWnd = created;
  created->Changed();
  return true;
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  AfxDestroyWindowTree(m_hWnd);
  return TRUE;
}

BOOL CWnd::Attach(HWND window) {
  if (window == nullptr || m_hWnd != nullptr) return FALSE;
  window->attached.push_back(this);
  m_hWnd = window;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND window = std::exchange(m_hWnd, nullptr);
  if (window != nullptr) std::erase(window->attached, this);
  return window;
}

void CWnd::SetWindowText(const char* text) {
  if (m_hWnd == nullptr) return;
  const CString changed(text);
  if (m_hWnd->text == changed) return;
  m_hWnd->text = changed;
  m_hWnd->Changed();
}

void CWnd::GetWindowText(CString& text) const {
  text = m_hWnd == nullptr ? CString() : m_hWnd->text;
}

int CWnd::GetDlgCtrlID() const {
  return m_hWnd == nullptr ? 0 : m_hWnd->id;
}

unsigned long CWnd::GetStyle() const {
  return m_hWnd == nullptr ? 0 : m_hWnd->style;
}

BOOL CWnd::EnableWindow(BOOL enable) {
  if (m_hWnd == nullptr) return FALSE;
  const bool wasDisabled = !m_hWnd->enabled;
  if (m_hWnd->enabled != (enable != FALSE)) {
    m_hWnd->enabled = enable != FALSE;
    m_hWnd->Changed();
  }
  return wasDisabled ? TRUE : FALSE;
}

BOOL CWnd::IsWindowEnabled() const {
  return m_hWnd != nullptr && m_hWnd->enabled ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int command) {
  if (m_hWnd == nullptr) return FALSE;
  const bool wasVisible = m_hWnd->visible;
  const bool visible = command != SW_HIDE;
  if (wasVisible != visible) {
    m_hWnd->visible = visible;
    m_hWnd->Changed();
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
  for (const AfxWindow* window = m_hWnd; window != nullptr; window = window->parent) {
    if (!window->visible) return FALSE;
  }
  return m_hWnd != nullptr ? TRUE : FALSE;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL /*repaint*/) {
  if (m_hWnd == nullptr) return;
  const CRect moved(x, y, x + width, y + height);
  if (moved == m_hWnd->rect) return;
  const bool resized = moved.Size() != m_hWnd->rect.Size();
  m_hWnd->rect = moved;
  m_hWnd->Changed();
  if (resized) SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
}

void CWnd::MoveWindow(const CRect& rect, BOOL repaint) {
  MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), repaint);
}

void CWnd::GetWindowRect(CRect* rect) const {
  *rect = m_hWnd == nullptr ? CRect() : m_hWnd->rect;
}

void CWnd::GetClientRect(CRect* rect) const {
  *rect = m_hWnd == nullptr ? CRect() : CRect(0, 0, m_hWnd->rect.Width(), m_hWnd->rect.Height());
}

void CWnd::BringWindowToTop() {
  if (m_hWnd == nullptr || m_hWnd->parent == nullptr) return;
  auto& siblings = m_hWnd->parent->children;
  const auto found =
      std::ranges::find_if(siblings, [this](const auto& owned) { return owned.get() == m_hWnd; });
  if (found == siblings.begin() || found == siblings.end()) return;
  std::rotate(siblings.begin(), found, found + 1);
  m_hWnd->Changed();
}

CWnd* CWnd::GetParent() const {
  return m_hWnd == nullptr ? nullptr : FromHandle(m_hWnd->parent);
}

namespace {

AfxWindow* FindChild(const AfxWindow& window, int id) {
  for (const auto& child : window.children) {
    if (child->id == id) return child.get();
  }
  for (const auto& child : window.children) {
    if (AfxWindow* found = FindChild(*child, id)) return found;
  }
  return nullptr;
}

}  // namespace

CWnd* CWnd::GetDlgItem(int id) const {
  if (m_hWnd == nullptr) return nullptr;
  return FromHandle(FindChild(*m_hWnd, id));
}

CWnd* CWnd::GetTopWindow() const {
  if (m_hWnd == nullptr || m_hWnd->children.empty()) return nullptr;
  return FromHandle(m_hWnd->children.front().get());
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* handler = FromHandle(m_hWnd);
  return handler == nullptr ? 0 : handler->WindowProc(message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = m_hWnd;
  if (window == nullptr) return FALSE;
  // The window may be gone by the time the UI thread gets to the message, and another made at its
  // address: then the message is dropped.
  const std::uint64_t serial = LiveSerial(window);
  return AfxPostToUiThread([window, serial, message, wParam, lParam] {
    if (serial == 0 || LiveSerial(window) != serial) return;
    if (CWnd* handler = FromHandle(window)) handler->WindowProc(message, wParam, lParam);
  })
             ? TRUE
             : FALSE;
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

void CWnd::DoDataExchange(CDataExchange* /*exchange*/) {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (DispatchMapped(message, wParam, lParam, result)) return result;
  return DefWindowProc(message, wParam, lParam);
}

bool CWnd::DispatchMapped(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  UINT code = 0;
  UINT id = 0;
  if (message == WM_COMMAND) {
    id = LOWORD(wParam);
    code = HIWORD(wParam);
  } else if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr) return false;
    id = header->idFrom;
    code = header->code;
  }
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, code, id);
  if (entry == nullptr) return false;
  result = entry->pfn(this, wParam, lParam);
  return true;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HELP) {
    CWnd* parent = GetParent();
    return parent == nullptr ? FALSE : parent->SendMessage(message, wParam, lParam);
  }
  return 0;
}

void CWnd::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {}

void CWnd::OnHScroll(UINT /*code*/, UINT /*pos*/, CScrollBar* /*bar*/) {}

void CWnd::OnVScroll(UINT /*code*/, UINT /*pos*/, CScrollBar* /*bar*/) {}

BOOL CWnd::OnHelpInfo(HELPINFO* info) {
  return static_cast<BOOL>(DefWindowProc(WM_HELP, 0, reinterpret_cast<LPARAM>(info)));
}
