// Documents, views and frames: a document holds what its views show and names them (its title); a
// view is a window in a frame, created from its run-time class; a form view is a view drawn from a
// dialog template, scrolling what does not fit.
#pragma once

#include <vector>

#include "platform/afx/CWnd.h"

class CDocTemplate;
class CDocument;
class CFrameWnd;
class CView;
struct DialogTemplate;

// What a frame needs to make its view.
struct CCreateContext {
  const CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
};

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument() = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;
  ~CDocument() override;

  // The title; the frames of the document's views show it.
  virtual void SetTitle(const char* title);
  const CString& GetTitle() const { return title_; }

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& GetViews() const { return views_; }
  // Each view but sender hears OnUpdate(sender, hint, hintObject).
  void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);

  // Destroys the frames of the document's views, then, with auto-delete, the document.
  virtual void OnCloseDocument();
  CDocTemplate* GetDocTemplate() const { return template_; }
  void SetDocTemplate(CDocTemplate* owner) { template_ = owner; }

  bool m_bAutoDelete = true;

 private:
  CString title_;
  std::vector<CView*> views_;
  CDocTemplate* template_ = nullptr;
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)

 public:
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  // Makes the view's window in parent and joins the context's document.
  virtual BOOL Create(CWnd* parent, const CRect& rect, UINT id, CCreateContext* context);
  // First update after the frame is made: OnUpdate(null, 0, null).
  virtual void OnInitialUpdate();
  virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject);

 protected:
  // The framework deletes a view when its window is destroyed.
  void PostNcDestroy() override;

  CDocument* m_pDocument = nullptr;

  friend class CDocument;
};

// A view larger than its window scrolls: the window shows scroll bars while it is smaller than the
// view's total size.
class CScrollView : public CView {
  DECLARE_DYNAMIC(CScrollView)

 public:
  // mapMode is MM_TEXT (pixels); page and line sizes are the framework's defaults when zero.
  void SetScrollSizes(int mapMode, CSize total, CSize page = {}, CSize line = {});
  CSize GetTotalSize() const;
};

class CFormView : public CScrollView {
  DECLARE_DYNAMIC(CFormView)

 public:
  explicit CFormView(UINT templateId) : templateId_(templateId) {}
  // A form drawn from a template of the framework's own rather than one of a module's resources.
  explicit CFormView(const DialogTemplate* form) : templateId_(0), form_(form) {}

  // The view's window with the controls of its dialog template.
  BOOL Create(CWnd* parent, const CRect& rect, UINT id, CCreateContext* context) override;
  // Data exchange with the controls, then the view's first update.
  void OnInitialUpdate() override;
  // The size of the view's dialog template, in pixels.
  CSize GetTemplateSize() const;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  UINT templateId_;

 private:
  const DialogTemplate* Form() const;

  const DialogTemplate* form_ = nullptr;
};

class CFrameWnd : public CWnd {
  DECLARE_DYNAMIC(CFrameWnd)

 public:
  // Creates the frame window (a child of parent, top-level without one) and in it the view of the
  // context's view class; a form view's frame takes the size of its template. False when the view
  // cannot be made.
  virtual BOOL LoadFrame(CWnd* parent, CCreateContext* context);
  CView* GetActiveView() const { return view_; }
  // The view's initial update; then the frame shows, and the view hears its size as a window does
  // when it is first shown.
  void InitialUpdateFrame(CDocument* document, BOOL makeVisible);
  // The frame shows the title of its view's document.
  void OnUpdateFrameTitle();

 protected:
  void PostNcDestroy() override;

 private:
  CView* view_ = nullptr;
};
