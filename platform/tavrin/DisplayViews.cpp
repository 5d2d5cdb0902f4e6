// The host's display documents, frames and templates.
#include "platform/tavrin/DisplayViews.h"

IMPLEMENT_DYNAMIC(CDisplayDoc, CDocument)
IMPLEMENT_DYNCREATE(CDisplayDocAttr1, CDisplayDoc)
IMPLEMENT_DYNCREATE(CDisplayFrmAttr1, CFrameWnd)
IMPLEMENT_DYNCREATE(CDisplayDockFrmAttr1, CFrameWnd)
IMPLEMENT_DYNAMIC(ORVMultiDocTemplateAttr1, CMultiDocTemplate)

namespace {
// The host's resource id of its display templates.
constexpr UINT kDisplayResourceId = 0;
}  // namespace

ORVMultiDocTemplateAttr1::ORVMultiDocTemplateAttr1(const CRuntimeClass* documentClass,
                                                   const CRuntimeClass* frameClass,
                                                   const CRuntimeClass* viewClass,
                                                   const CRuntimeClass* dockFrameClass)
    : CMultiDocTemplate(kDisplayResourceId, documentClass, frameClass, viewClass),
      dockFrameClass_(dockFrameClass) {}

CDisplayDoc* ORVMultiDocTemplateAttr1::OpenDisplay(const CAttributeMap& viewAttributes) {
  CDocument* made = CreateNewDocument();
  auto* document = dynamic_cast<CDisplayDoc*>(made);
  if (document == nullptr) {
    if (made != nullptr) made->OnCloseDocument();
    return nullptr;
  }
  document->GetViewAttributes() = viewAttributes;
  CFrameWnd* frame = CreateNewFrame(document, nullptr);
  if (frame == nullptr) {
    document->OnCloseDocument();
    return nullptr;
  }
  InitialUpdateFrame(frame, document, TRUE);
  return document;
}

void COrvBaseView::ConnectDisplayDoc(CDocument* document, int /*display*/) {
  document_ = dynamic_cast<CDisplayDoc*>(document);
}

CAttributeMap& COrvBaseView::GetAttribMap() {
  return document_ != nullptr ? document_->GetViewAttributes() : unjoined_;
}

void COrvBaseView::SetAttribGroup(const CString& group) {
  if (document_ != nullptr) document_->SetViewAttributeGroup(group);
}
