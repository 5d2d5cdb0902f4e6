// The host's displays: the display document (its title names the display, and it carries the stored
// attribute map of its view), the frames a display is shown in, the document template that makes a
// display with a stored map, the base every plug-in view joins its document through, and the view
// update hint with which the host binds a view to a device.
#pragma once

#include "platform/afx/CDocTemplate.h"
#include "platform/tavrin/CAttributeMap.h"

// The key of a view's stored attribute map under which a view keeps the device it shows (a data info value).
inline constexpr const char* ATTR_DATAID = "DataId";
// Group of the stored map of a view bound to a device.
inline constexpr const char* kViewAttributeGroup = "grp";
// View update hint: the hint object, a CDataIdHint, names the device the view is to show.
inline constexpr LPARAM HINT_DATAID_CHANGED = 119;

class CDataIdHint : public CObject {
 public:
  explicit CDataIdHint(const CDataId& id) : id_(id) {}
  const CDataId& GetDataId() const { return id_; }

 private:
  CDataId id_;
};

class CDisplayDoc : public CDocument {
  DECLARE_DYNAMIC(CDisplayDoc)

 public:
  // The display's name, as its frame and the host's list of displays show it.
  void RenameDisplay(const CString& title) { SetTitle(title.GetString()); }
  // The stored attribute map of the display's view, and the group it is stored under.
  CAttributeMap& GetViewAttributes() { return viewAttributes_; }
  const CString& GetViewAttributeGroup() const { return viewAttributeGroup_; }
  void SetViewAttributeGroup(const CString& group) { viewAttributeGroup_ = group; }

 private:
  CAttributeMap viewAttributes_;
  CString viewAttributeGroup_;
};

class CDisplayDocAttr1 : public CDisplayDoc {
  DECLARE_DYNCREATE(CDisplayDocAttr1)
};

// The frame of a display in its own window.
class CDisplayFrmAttr1 : public CFrameWnd {
  DECLARE_DYNCREATE(CDisplayFrmAttr1)
};

// The frame of a display docked in the host's main window. The host on Linux shows each display in a
// frame of its own; the docked frame behaves alike, so that a template may name either.
class CDisplayDockFrmAttr1 : public CFrameWnd {
  DECLARE_DYNCREATE(CDisplayDockFrmAttr1)
};

// A template of displays with stored view attributes: document, frame, view and docked frame classes.
class ORVMultiDocTemplateAttr1 : public CMultiDocTemplate {
  DECLARE_DYNAMIC(ORVMultiDocTemplateAttr1)

 public:
  ORVMultiDocTemplateAttr1(const CRuntimeClass* documentClass, const CRuntimeClass* frameClass,
                           const CRuntimeClass* viewClass, const CRuntimeClass* dockFrameClass);

  // Makes a display whose view finds viewAttributes as its stored map when it is first updated.
  // Null when the document, frame or view cannot be made.
  CDisplayDoc* OpenDisplay(const CAttributeMap& viewAttributes);
  const CRuntimeClass* GetDockFrameClass() const { return dockFrameClass_; }

 private:
  const CRuntimeClass* dockFrameClass_;
};

// The base through which a plug-in's view joins its display document and keeps its stored map.
class COrvBaseView {
 public:
  virtual ~COrvBaseView() = default;

  // Joins the display document (the second argument is the host's display number, 0 for the first).
  void ConnectDisplayDoc(CDocument* document, int display);
  CDisplayDoc* GetDisplayDoc() const { return document_; }
  // The view's stored attribute map: the display document's, or an empty one before it is joined.
  CAttributeMap& GetAttribMap();
  // The group the map is stored under.
  void SetAttribGroup(const CString& group);

 private:
  CDisplayDoc* document_ = nullptr;
  CAttributeMap unjoined_;
};
