// Finding a module's resources through the library chain.
#include "platform/afx/DialogTemplate.h"

#include "platform/afx/CDynLinkLibrary.h"

const DialogTemplate* AfxFindDialogTemplate(int id) {
  const DialogTemplate* found = nullptr;
  CDynLinkLibrary::SearchResources([&found, id](const AfxResourceTable& table) {
    for (const DialogTemplate& dialog : table.dialogs) {
      if (dialog.id == id) found = &dialog;
    }
    return found != nullptr;
  });
  return found;
}

bool AfxLoadString(int id, CString& text) {
  return CDynLinkLibrary::SearchResources([&text, id](const AfxResourceTable& table) {
    for (const StringResource& string : table.strings) {
      if (string.id == id) {
        text = CString(string.text);
        return true;
      }
    }
    return false;
  });
}

CRect AfxDialogUnitsToPixels(int x, int y, int cx, int cy) {
  const int left = x * kDialogBaseUnitX / 4;
  const int top = y * kDialogBaseUnitY / 8;
  return {left, top, left + cx * kDialogBaseUnitX / 4, top + cy * kDialogBaseUnitY / 8};
}
