// Data exchange between a dialog's members and its controls. The framework's one exchange binds a
// member control object to the control of that id, so that the member handles it from then on.
#pragma once

#include "platform/afx/WindowsTypes.h"

class CWnd;

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate)
      : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Binds control to the dialog's control of that id, once; nothing happens when there is no such control.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
