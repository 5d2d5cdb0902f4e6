// A module's resources: dialog templates (a dialog's size and its controls, in dialog units) and its
// string table, as data compiled into the module. The framework finds them through its library
// chain, newest module first, as the desktop finds a module's resource section.
#pragma once

#include <span>

#include "platform/afx/CString.h"
#include "platform/afx/CWnd.h"

// Dialog units are a quarter of the dialog font's average character width and an eighth of its
// height; these are that font's measures in pixels.
inline constexpr int kDialogBaseUnitX = 6;
inline constexpr int kDialogBaseUnitY = 13;

struct DialogControlTemplate {
  int id;
  AfxWindowKind kind;
  const char* text;
  int x, y, cx, cy;  // dialog units
  unsigned long style;
};

// Items a control holds from the start, such as the entries of a drop-down list.
struct DialogInitItem {
  int controlId;
  const char* text;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int cx, cy;  // dialog units
  unsigned long style;
  std::span<const DialogControlTemplate> controls;
  std::span<const DialogInitItem> initItems;
};

struct StringResource {
  int id;
  const char* text;
};

struct AfxResourceTable {
  std::span<const DialogTemplate> dialogs;
  std::span<const StringResource> strings;
};

// The template of that id in the modules of the library chain; null when none has it.
const DialogTemplate* AfxFindDialogTemplate(int id);
// The string of that id in the modules of the library chain; false when none has it.
bool AfxLoadString(int id, CString& text);
// A rectangle in dialog units converted to pixels.
CRect AfxDialogUnitsToPixels(int x, int y, int cx, int cy);
