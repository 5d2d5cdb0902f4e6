// Message maps: each window class lists the messages it handles in a static table, searched from the
// most derived class to its bases when a message arrives. A map is written between BEGIN_MESSAGE_MAP
// and END_MESSAGE_MAP with one entry macro per handled message.
#pragma once

#include "platform/afx/CObject.h"
#include "platform/afx/WindowsTypes.h"

class CCmdTarget;

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // 0 ends the map
  UINT nCode;     // WM_COMMAND and WM_NOTIFY: the notification code; otherwise 0
  UINT nID;       // WM_COMMAND and WM_NOTIFY: the control id; otherwise 0
  LRESULT (*pfn)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root of the chain
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// The header that a WM_NOTIFY message points to.
struct NMHDR {
  void* hwndFrom = nullptr;
  UINT idFrom = 0;
  UINT code = 0;
};

// What a help request (WM_HELP) points to.
struct HELPINFO {
  UINT cbSize = sizeof(HELPINFO);
  int iContextType = 0;
  int iCtrlId = 0;
  void* hItemHandle = nullptr;
};

// A class that can have a message map.
class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  // The entry for a message (with its notification code and control id for WM_COMMAND and
  // WM_NOTIFY), searched through this class's map and its bases'; null when none handles it.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { \
    return GetThisMessageMap();                       \
  }                                                   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
    using ThisClass [[maybe_unused]] = theClass;      \
    using TheBaseClass = baseClass;                   \
    static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                      \
  { 0, 0, 0, nullptr }                                                                         \
  }                                                                                            \
  ;                                                                                            \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
  return &messageMap;                                                                          \
  }

// void OnSize(UINT type, int cx, int cy)
#define ON_WM_SIZE()                                                                            \
  {WM_SIZE, 0, 0, [](CCmdTarget* target, WPARAM w, LPARAM l) -> LRESULT {                       \
     static_cast<ThisClass*>(target)->OnSize(static_cast<UINT>(w), static_cast<int>(LOWORD(l)), \
                                             static_cast<int>(HIWORD(l) & 0xFFFFu));            \
     return 0;                                                                                  \
   }},
// void OnHScroll(UINT code, UINT pos, CScrollBar* bar)
#define ON_WM_HSCROLL()                                                                          \
  {WM_HSCROLL, 0, 0, [](CCmdTarget* target, WPARAM w, LPARAM l) -> LRESULT {                     \
     static_cast<ThisClass*>(target)->OnHScroll(LOWORD(w), HIWORD(w), AfxScrollBarFromParam(l)); \
     return 0;                                                                                   \
   }},
// void OnVScroll(UINT code, UINT pos, CScrollBar* bar)
#define ON_WM_VSCROLL()                                                                          \
  {WM_VSCROLL, 0, 0, [](CCmdTarget* target, WPARAM w, LPARAM l) -> LRESULT {                     \
     static_cast<ThisClass*>(target)->OnVScroll(LOWORD(w), HIWORD(w), AfxScrollBarFromParam(l)); \
     return 0;                                                                                   \
   }},
// BOOL OnHelpInfo(HELPINFO* info)
#define ON_WM_HELPINFO()                                                                 \
  {WM_HELP, 0, 0, [](CCmdTarget* target, WPARAM, LPARAM l) -> LRESULT {                  \
     return static_cast<ThisClass*>(target)->OnHelpInfo(reinterpret_cast<HELPINFO*>(l)); \
   }},
// LRESULT memberFxn(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn)                                    \
  {message, 0, 0, [](CCmdTarget* target, WPARAM w, LPARAM l) -> LRESULT { \
     return (static_cast<ThisClass*>(target)->*(memberFxn))(w, l);        \
   }},
// void memberFxn(): a control's WM_COMMAND notification.
#define ON_CONTROL(code, id, memberFxn)                                      \
  {WM_COMMAND, code, id, [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT { \
     (static_cast<ThisClass*>(target)->*(memberFxn))();                      \
     return 0;                                                               \
   }},
#define ON_COMMAND(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
// void memberFxn(NMHDR* header, LRESULT* result)
#define ON_NOTIFY(code, id, memberFxn)                                                      \
  {WM_NOTIFY, code, id, [](CCmdTarget* target, WPARAM, LPARAM l) -> LRESULT {               \
     LRESULT result = 0;                                                                    \
     (static_cast<ThisClass*>(target)->*(memberFxn))(reinterpret_cast<NMHDR*>(l), &result); \
     return result;                                                                         \
   }},
