// Documents, views, scroll and form views, frames.
#include "platform/afx/DocView.h"

#include <algorithm>

#include "platform/afx/CDialog.h"
#include "platform/afx/CDocTemplate.h"
#include "platform/afx/DialogTemplate.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)
IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CScrollView, CView)
IMPLEMENT_DYNAMIC(CFormView, CScrollView)
IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

namespace {

// The size a view shows before it is given one: the frame's client area on a small screen.
constexpr CRect kDefaultViewRect{0, 0, 640, 480};

}  // namespace

CDocument::~CDocument() {
  if (template_ != nullptr) template_->RemoveDocument(this);
  for (CView* view : views_) view->m_pDocument = nullptr;
}

void CDocument::SetTitle(const char* title) {
  title_ = CString(title);
  for (CView* view : views_) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(view->GetParent())) frame->OnUpdateFrameTitle();
  }
}

void CDocument::AddView(CView* view) {
  if (view == nullptr || std::ranges::find(views_, view) != views_.end()) return;
  views_.push_back(view);
  view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
  std::erase(views_, view);
  if (view != nullptr && view->m_pDocument == this) view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject) {
  const std::vector<CView*> views = views_;
  for (CView* view : views) {
    if (view != sender) view->OnUpdate(sender, hint, hintObject);
  }
}

void CDocument::OnCloseDocument() {
  // Destroying a frame deletes its view, which leaves the list.
  while (!views_.empty()) {
    CView* view = views_.front();
    CWnd* frame = view->GetParent();
    if (frame != nullptr && frame->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
      frame->DestroyWindow();
    } else if (view->m_hWnd != nullptr) {
      view->DestroyWindow();
    } else {
      RemoveView(view);
    }
  }
  if (m_bAutoDelete) delete this;
}

CView::~CView() {
  if (m_pDocument != nullptr) m_pDocument->RemoveView(this);
}

BOOL CView::Create(CWnd* parent, const CRect& rect, UINT id, CCreateContext* context) {
  if (!CreateAfxWindow(AfxWindowKind::kWindow, "", WS_CHILD | WS_VISIBLE, rect, parent,
                       static_cast<int>(id))) {
    return FALSE;
  }
  if (context != nullptr && context->m_pCurrentDoc != nullptr) context->m_pCurrentDoc->AddView(this);
  return TRUE;
}

void CView::OnInitialUpdate() {
  OnUpdate(nullptr, 0, nullptr);
}

void CView::OnUpdate(CView* /*sender*/, LPARAM /*hint*/, CObject* /*hintObject*/) {}

void CView::PostNcDestroy() {
  delete this;
}

void CScrollView::SetScrollSizes(int /*mapMode*/, CSize total, CSize /*page*/, CSize /*line*/) {
  if (m_hWnd == nullptr || m_hWnd->scrollTotal == total) return;
  m_hWnd->scrollTotal = total;
  m_hWnd->Changed();
}

CSize CScrollView::GetTotalSize() const {
  return m_hWnd == nullptr ? CSize() : m_hWnd->scrollTotal;
}

const DialogTemplate* CFormView::Form() const {
  return form_ != nullptr ? form_ : AfxFindDialogTemplate(static_cast<int>(templateId_));
}

BOOL CFormView::Create(CWnd* parent, const CRect& rect, UINT id, CCreateContext* context) {
  const DialogTemplate* form = Form();
  if (form == nullptr) return FALSE;
  if (!CreateAfxWindow(AfxWindowKind::kFormView, "", WS_CHILD | WS_VISIBLE, rect, parent,
                       static_cast<int>(id))) {
    return FALSE;
  }
  AfxCreateTemplateControls(*form, *this);
  SetScrollSizes(MM_TEXT, GetTemplateSize());
  if (context != nullptr && context->m_pCurrentDoc != nullptr) context->m_pCurrentDoc->AddView(this);
  return TRUE;
}

void CFormView::OnInitialUpdate() {
  UpdateData(FALSE);
  CScrollView::OnInitialUpdate();
}

CSize CFormView::GetTemplateSize() const {
  const DialogTemplate* form = Form();
  return form == nullptr ? CSize() : AfxDialogUnitsToPixels(0, 0, form->cx, form->cy).Size();
}

LRESULT CFormView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Enter and Escape do not close a form.
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) &&
      FindMessageEntry(WM_COMMAND, BN_CLICKED, LOWORD(wParam)) == nullptr) {
    return 0;
  }
  return CScrollView::WindowProc(message, wParam, lParam);
}

BOOL CFrameWnd::LoadFrame(CWnd* parent, CCreateContext* context) {
  if (context == nullptr || context->m_pNewViewClass == nullptr) return FALSE;
  auto* view = AfxCreateObjectAs<CView>(context->m_pNewViewClass);
  if (view == nullptr) return FALSE;
  CRect client = kDefaultViewRect;
  if (const auto* form = dynamic_cast<CFormView*>(view)) {
    const CSize size = form->GetTemplateSize();
    client = CRect(0, 0, size.cx, size.cy);
  }
  if (!CreateAfxWindow(AfxWindowKind::kFrame, "", 0, client, parent, 0) ||
      !view->Create(this, client, 0, context)) {
    delete view;
    return FALSE;
  }
  view_ = view;
  return TRUE;
}

void CFrameWnd::InitialUpdateFrame(CDocument* /*document*/, BOOL makeVisible) {
  if (view_ == nullptr) return;
  view_->OnInitialUpdate();
  OnUpdateFrameTitle();
  if (makeVisible) ShowWindow(SW_SHOW);
  if (view_->m_hWnd != nullptr) {
    CRect client;
    view_->GetClientRect(&client);
    view_->SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
  }
}

void CFrameWnd::OnUpdateFrameTitle() {
  if (view_ != nullptr && view_->m_hWnd != nullptr && view_->GetDocument() != nullptr) {
    SetWindowText(view_->GetDocument()->GetTitle().GetString());
  }
}

void CFrameWnd::PostNcDestroy() {
  delete this;
}
