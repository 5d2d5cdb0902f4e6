// Dialog creation from templates, and the dialog's OK and Cancel.
#include "platform/afx/CDialog.h"

#include <algorithm>

#include "platform/afx/CListCtrl.h"
#include "platform/afx/Controls.h"
#include "platform/afx/DialogTemplate.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace {

// The object that handles a control of that kind, made with the control and owned by its window.
std::unique_ptr<CWnd> MakeControl(AfxWindowKind kind) {
  switch (kind) {
    case AfxWindowKind::kStatic:
    case AfxWindowKind::kGroupBox:  // a labelled frame: only its caption is its own
      return std::make_unique<CStatic>();
    case AfxWindowKind::kEdit:
      return std::make_unique<CEdit>();
    case AfxWindowKind::kButton:
    case AfxWindowKind::kCheckBox:
    case AfxWindowKind::kRadio:
      return std::make_unique<CButton>();
    case AfxWindowKind::kScrollBar:
      return std::make_unique<CScrollBar>();
    case AfxWindowKind::kComboBox:
      return std::make_unique<CComboBox>();
    case AfxWindowKind::kTab:
      return std::make_unique<CTabCtrl>();
    case AfxWindowKind::kList:
      return std::make_unique<CListCtrl>();
    case AfxWindowKind::kWindow:
    case AfxWindowKind::kFrame:
    case AfxWindowKind::kFormView:
    case AfxWindowKind::kDialog:
      break;
  }
  return std::make_unique<CWnd>();
}

}  // namespace

void AfxCreateTemplateControls(const DialogTemplate& dialog, CWnd& owner) {
  for (const DialogControlTemplate& control : dialog.controls) {
    std::unique_ptr<CWnd> wrapper = MakeControl(control.kind);
    const CRect rect = AfxDialogUnitsToPixels(control.x, control.y, control.cx, control.cy);
    if (!wrapper->CreateAfxWindow(control.kind, control.text, control.style | WS_CHILD, rect, &owner,
                                  control.id)) {
      continue;
    }
    // The dialog's controls keep the template's order, its first control at the top.
    HWND window = wrapper->m_hWnd;
    AfxWindow& parent = *owner.m_hWnd;
    std::rotate(parent.children.begin(), parent.children.begin() + 1, parent.children.end());
    window->ownWrapper = std::move(wrapper);
  }
  for (const DialogInitItem& item : dialog.initItems) {
    auto* list = dynamic_cast<CComboBox*>(owner.GetDlgItem(item.controlId));
    if (list != nullptr) list->AddString(item.text);
  }
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  const DialogTemplate* dialog = AfxFindDialogTemplate(static_cast<int>(templateId));
  if (dialog == nullptr || m_hWnd != nullptr) return FALSE;
  templateId_ = templateId;
  return CreateIndirect(dialog, parent);
}

BOOL CDialog::CreateIndirect(const DialogTemplate* dialog, CWnd* parent) {
  if (dialog == nullptr || m_hWnd != nullptr) return FALSE;
  parent_ = parent;
  const CRect rect = AfxDialogUnitsToPixels(0, 0, dialog->cx, dialog->cy);
  if (!CreateAfxWindow(AfxWindowKind::kDialog, dialog->caption, dialog->style, rect, parent, 0)) return FALSE;
  AfxCreateTemplateControls(*dialog, *this);
  SendMessage(WM_INITDIALOG);
  return TRUE;
}

void CDialog::MapDialogRect(CRect* rect) const {
  *rect = AfxDialogUnitsToPixels(rect->left, rect->top, rect->Width(), rect->Height());
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int /*result*/) {
  ShowWindow(SW_HIDE);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  if (LOWORD(wParam) == IDOK) {
    OnOK();
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog();
  // A map entry for OK or Cancel takes precedence over the dialog's own handling.
  if (message == WM_COMMAND && FindMessageEntry(WM_COMMAND, HIWORD(wParam), LOWORD(wParam)) == nullptr &&
      OnCommand(wParam, lParam)) {
    return 0;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}
