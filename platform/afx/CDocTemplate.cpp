// Making documents, frames and views from a template.
#include "platform/afx/CDocTemplate.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)
IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

CDocTemplate::CDocTemplate(UINT resourceId, const CRuntimeClass* documentClass,
                           const CRuntimeClass* frameClass, const CRuntimeClass* viewClass)
    : resourceId_(resourceId),
      documentClass_(documentClass),
      frameClass_(frameClass),
      viewClass_(viewClass) {}

CDocTemplate::~CDocTemplate() {
  while (!documents_.empty()) {
    CDocument* document = documents_.back();
    document->m_bAutoDelete = true;
    document->OnCloseDocument();  // leaves the list as it is deleted
  }
}

CDocument* CDocTemplate::CreateNewDocument() {
  auto* document = AfxCreateObjectAs<CDocument>(documentClass_);
  if (document == nullptr) return nullptr;
  document->SetDocTemplate(this);
  documents_.push_back(document);
  return document;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* document, CFrameWnd* /*other*/) {
  auto* frame = AfxCreateObjectAs<CFrameWnd>(frameClass_);
  if (frame == nullptr) return nullptr;
  CCreateContext context{viewClass_, document, this};
  if (!frame->LoadFrame(nullptr, &context)) {
    delete frame;
    return nullptr;
  }
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* document, BOOL makeVisible) {
  frame->InitialUpdateFrame(document, makeVisible);
}

CDocument* CDocTemplate::OpenDocumentFile(const char* /*path*/, BOOL makeVisible) {
  CDocument* document = CreateNewDocument();
  if (document == nullptr) return nullptr;
  CFrameWnd* frame = CreateNewFrame(document, nullptr);
  if (frame == nullptr) {
    document->OnCloseDocument();
    return nullptr;
  }
  InitialUpdateFrame(frame, document, makeVisible);
  return document;
}

void CDocTemplate::RemoveDocument(CDocument* document) {
  std::erase(documents_, document);
}

CWinApp::~CWinApp() = default;

void CWinApp::AddDocTemplate(CDocTemplate* docTemplate) {
  if (docTemplate != nullptr) templates_.emplace_back(docTemplate);
}
