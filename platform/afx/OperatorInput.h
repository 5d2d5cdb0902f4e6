// What the operator does to a control, delivered as the desktop delivers it: the control's state
// changes as the control itself would change it, then its parent hears the notification. A disabled
// or hidden control (or one in a hidden or disabled window) takes no input: the calls return false.
#pragma once

#include "platform/afx/CWnd.h"

// A scroll bar's code (SB_LINELEFT ... SB_ENDSCROLL) with the position of a thumb move; the parent
// hears WM_HSCROLL, or WM_VSCROLL for a vertical bar. The bar itself does not move: its parent sets it.
bool AfxOperatorScroll(CWnd& bar, UINT code, int pos);
// A choice from a drop-down list: the selection is set, then the parent hears CBN_SELCHANGE; a row
// chosen in a list control: the row is selected, then the parent hears LVN_ITEMCHANGED. False also for
// an index outside the list.
bool AfxOperatorSelect(CWnd& list, int index);
// A click: a check box toggles and a radio button checks itself (clearing the radio buttons of its
// group), then the parent hears BN_CLICKED.
bool AfxOperatorClick(CWnd& button);
// A tab chosen: the selection is set, then the parent hears TCN_SELCHANGE. False also for an index
// outside the tabs.
bool AfxOperatorSelectTab(CWnd& tabs, int index);
// Text typed into a field: the text is set, then the parent hears EN_CHANGE.
bool AfxOperatorEditText(CWnd& edit, const char* text);
// Whether the control takes input: it and every window it lies in are visible and enabled.
bool AfxTakesInput(const CWnd& control);
