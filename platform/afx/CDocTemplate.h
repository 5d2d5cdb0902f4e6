// Document templates: the document, frame and view classes from which the application makes a
// display, and the application object that owns its templates.
#pragma once

#include <memory>
#include <vector>

#include "platform/afx/DocView.h"

class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)

 public:
  CDocTemplate(UINT resourceId, const CRuntimeClass* documentClass, const CRuntimeClass* frameClass,
               const CRuntimeClass* viewClass);
  CDocTemplate(const CDocTemplate&) = delete;
  CDocTemplate& operator=(const CDocTemplate&) = delete;
  // Closes the documents still open.
  ~CDocTemplate() override;

  // A new document of the template's document class, which the template keeps until it is closed;
  // null when the class cannot be made.
  virtual CDocument* CreateNewDocument();
  // A new frame, with its view, for document; null when either cannot be made.
  virtual CFrameWnd* CreateNewFrame(CDocument* document, CFrameWnd* other);
  virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* document, BOOL makeVisible = TRUE);
  // A new document with a frame and view, after the view's initial update; null on failure.
  virtual CDocument* OpenDocumentFile(const char* path, BOOL makeVisible = TRUE);

  void RemoveDocument(CDocument* document);
  const std::vector<CDocument*>& GetDocuments() const { return documents_; }
  const CRuntimeClass* GetViewClass() const { return viewClass_; }
  UINT GetResourceId() const { return resourceId_; }

 private:
  UINT resourceId_;
  const CRuntimeClass* documentClass_;
  const CRuntimeClass* frameClass_;
  const CRuntimeClass* viewClass_;
  std::vector<CDocument*> documents_;
};

class CMultiDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CMultiDocTemplate)

 public:
  using CDocTemplate::CDocTemplate;
};

class CWinApp : public CCmdTarget {
  DECLARE_DYNAMIC(CWinApp)

 public:
  CWinApp() = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  ~CWinApp() override;

  // The application owns the templates added to it.
  void AddDocTemplate(CDocTemplate* docTemplate);
  const std::vector<std::unique_ptr<CDocTemplate>>& GetDocTemplates() const { return templates_; }

 private:
  std::vector<std::unique_ptr<CDocTemplate>> templates_;
};
