// Dialogs made from a dialog template: the dialog window with its controls, each control handled by
// an object of its kind, the items the template gives its lists, then the dialog's initialisation.
// Pages of a view are modeless child dialogs; Enter and Escape reach OnOK and OnCancel.
#pragma once

#include "platform/afx/CWnd.h"

struct DialogTemplate;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Creates the controls of dialog in window (whose handler is owner) and fills their initial items.
void AfxCreateTemplateControls(const DialogTemplate& dialog, CWnd& owner);

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr) : templateId_(templateId), parent_(parent) {}

  // Creates the dialog modeless from template templateId as a child of parent (a top-level dialog
  // without one), then runs OnInitDialog. False when there is no such template or the dialog has a window.
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  // The same from a template given directly (one of the framework's own); false for none.
  BOOL CreateIndirect(const DialogTemplate* dialog, CWnd* parent = nullptr);
  // Converts a rectangle in dialog units to pixels.
  void MapDialogRect(CRect* rect) const;

  virtual BOOL OnInitDialog();
  // Enter: takes the controls' data and ends the dialog; Escape: ends it.
  virtual void OnOK();
  virtual void OnCancel();
  // A modeless dialog ends by hiding.
  void EndDialog(int result);

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  UINT templateId_ = 0;
  CWnd* parent_ = nullptr;
};
