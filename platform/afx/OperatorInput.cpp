// Operator input delivered to controls and their parents.
#include "platform/afx/OperatorInput.h"

#include "platform/afx/CListCtrl.h"
#include "platform/afx/Controls.h"

namespace {

void NotifyCommand(CWnd& control, UINT code) {
  if (CWnd* parent = control.GetParent()) {
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(control.GetDlgCtrlID()), code),
                        reinterpret_cast<LPARAM>(control.m_hWnd));
  }
}

bool IsKind(const CWnd& control, AfxWindowKind kind) {
  return control.m_hWnd != nullptr && control.m_hWnd->kind == kind;
}

// The radio buttons of one group: from the nearest one at or before the button that starts a group
// (WS_GROUP), up to the next that starts another. Siblings are in template order, top first.
void ClearRadioGroup(AfxWindow& button) {
  if (button.parent == nullptr) return;
  auto& siblings = button.parent->children;
  std::size_t at = 0;
  while (at < siblings.size() && siblings[at].get() != &button) ++at;
  std::size_t first = at;
  while (first > 0 && (siblings[first]->style & WS_GROUP) == 0) --first;
  for (std::size_t i = first; i < siblings.size(); ++i) {
    AfxWindow& sibling = *siblings[i];
    if (i > first && (sibling.style & WS_GROUP) != 0) break;
    if (&sibling == &button || sibling.kind != AfxWindowKind::kRadio || sibling.checked == BST_UNCHECKED)
      continue;
    sibling.checked = BST_UNCHECKED;
    sibling.Changed();
  }
}

}  // namespace

bool AfxTakesInput(const CWnd& control) {
  for (const AfxWindow* window = control.m_hWnd; window != nullptr; window = window->parent) {
    if (!window->visible || !window->enabled) return false;
  }
  return control.m_hWnd != nullptr;
}

bool AfxOperatorScroll(CWnd& bar, UINT code, int pos) {
  if (!IsKind(bar, AfxWindowKind::kScrollBar) || !AfxTakesInput(bar) || code > SB_ENDSCROLL) return false;
  CWnd* parent = bar.GetParent();
  if (parent == nullptr) return false;
  parent->SendMessage(bar.m_hWnd->IsVertical() ? WM_VSCROLL : WM_HSCROLL,
                      MAKEWPARAM(code, static_cast<UINT>(pos)), reinterpret_cast<LPARAM>(bar.m_hWnd));
  return true;
}

namespace {

// The control's parent hears a WM_NOTIFY with code.
void NotifyParent(CWnd& control, UINT code) {
  CWnd* parent = control.GetParent();
  if (parent == nullptr) return;
  NMHDR header{control.m_hWnd, static_cast<UINT>(control.GetDlgCtrlID()), code};
  parent->SendMessage(WM_NOTIFY, static_cast<WPARAM>(header.idFrom), reinterpret_cast<LPARAM>(&header));
}

// A row chosen in a list control: the row is selected, then the parent hears LVN_ITEMCHANGED.
bool SelectListRow(CWnd& list, int index) {
  auto& rows = static_cast<CListCtrl&>(list);
  if (index < 0 || index >= rows.GetItemCount()) return false;
  rows.SetSelectionMark(index);
  NotifyParent(list, LVN_ITEMCHANGED);
  return true;
}

}  // namespace

bool AfxOperatorSelect(CWnd& list, int index) {
  if (IsKind(list, AfxWindowKind::kList) && AfxTakesInput(list)) return SelectListRow(list, index);
  if (!IsKind(list, AfxWindowKind::kComboBox) || !AfxTakesInput(list)) return false;
  auto& combo = static_cast<CComboBox&>(list);
  if (index < 0 || index >= combo.GetCount()) return false;
  combo.SetCurSel(index);
  NotifyCommand(list, CBN_SELCHANGE);
  return true;
}

bool AfxOperatorClick(CWnd& button) {
  if (button.m_hWnd == nullptr || !AfxTakesInput(button)) return false;
  AfxWindow& window = *button.m_hWnd;
  switch (window.kind) {
    case AfxWindowKind::kCheckBox:
      window.checked = window.checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      window.Changed();
      break;
    case AfxWindowKind::kRadio:
      ClearRadioGroup(window);
      if (window.checked != BST_CHECKED) {
        window.checked = BST_CHECKED;
        window.Changed();
      }
      break;
    case AfxWindowKind::kButton:
      break;
    case AfxWindowKind::kWindow:
    case AfxWindowKind::kFrame:
    case AfxWindowKind::kFormView:
    case AfxWindowKind::kDialog:
    case AfxWindowKind::kStatic:
    case AfxWindowKind::kEdit:
    case AfxWindowKind::kScrollBar:
    case AfxWindowKind::kComboBox:
    case AfxWindowKind::kTab:
    case AfxWindowKind::kGroupBox:
    case AfxWindowKind::kList:
      return false;
  }
  NotifyCommand(button, BN_CLICKED);
  return true;
}

bool AfxOperatorSelectTab(CWnd& tabs, int index) {
  if (!IsKind(tabs, AfxWindowKind::kTab) || !AfxTakesInput(tabs)) return false;
  auto& tabControl = static_cast<CTabCtrl&>(tabs);
  if (index < 0 || index >= tabControl.GetItemCount()) return false;
  tabControl.SetCurSel(index);
  NotifyParent(tabs, TCN_SELCHANGE);
  return true;
}

bool AfxOperatorEditText(CWnd& edit, const char* text) {
  if (!IsKind(edit, AfxWindowKind::kEdit) || !AfxTakesInput(edit)) return false;
  edit.SetWindowText(text);
  NotifyCommand(edit, EN_CHANGE);
  return true;
}
