// Writing a window tree as JSON.
#include "host/WindowTreeJson.h"

#include "platform/afx/CWnd.h"

namespace {

const char* KindName(AfxWindowKind kind) {
  switch (kind) {
    case AfxWindowKind::kWindow:
      return "window";
    case AfxWindowKind::kFrame:
      return "frame";
    case AfxWindowKind::kFormView:
      return "formview";
    case AfxWindowKind::kDialog:
      return "dialog";
    case AfxWindowKind::kStatic:
      return "static";
    case AfxWindowKind::kEdit:
      return "edit";
    case AfxWindowKind::kButton:
      return "button";
    case AfxWindowKind::kCheckBox:
      return "checkbox";
    case AfxWindowKind::kRadio:
      return "radio";
    case AfxWindowKind::kScrollBar:
      return "scrollbar";
    case AfxWindowKind::kComboBox:
      return "combobox";
    case AfxWindowKind::kTab:
      return "tab";
  }
  return "window";
}

nlohmann::ordered_json Items(const std::vector<CString>& items) {
  auto list = nlohmann::ordered_json::array();
  for (const CString& item : items) list.push_back(item.Str());
  return list;
}

}  // namespace

nlohmann::ordered_json WindowTreeJson(const AfxWindow& window) {
  const CRect& r = window.rect;
  nlohmann::ordered_json json{{"id", window.id},           {"kind", KindName(window.kind)},
                              {"text", window.text.Str()}, {"enabled", window.enabled},
                              {"visible", window.visible}, {"rect", {r.left, r.top, r.right, r.bottom}}};
  switch (window.kind) {
    case AfxWindowKind::kCheckBox:
    case AfxWindowKind::kRadio:
      json["checked"] = window.checked;
      break;
    case AfxWindowKind::kScrollBar:
      json["vertical"] = window.IsVertical();
      json["min"] = window.scrollMin;
      json["max"] = window.scrollMax;
      json["pos"] = window.scrollPos;
      json["page"] = window.scrollPage;
      break;
    case AfxWindowKind::kComboBox:
      json["items"] = Items(window.items);
      json["selection"] = window.selection;
      json["sorted"] = window.IsSorted();
      break;
    case AfxWindowKind::kTab:
      json["items"] = Items(window.items);
      json["selection"] = window.selection;
      break;
    case AfxWindowKind::kFormView:
      // What the view shows when it is larger than its window: the window then scrolls.
      json["scrollSize"] = {window.scrollTotal.cx, window.scrollTotal.cy};
      break;
    case AfxWindowKind::kWindow:
    case AfxWindowKind::kFrame:
    case AfxWindowKind::kDialog:
    case AfxWindowKind::kStatic:
    case AfxWindowKind::kEdit:
    case AfxWindowKind::kButton:
      break;
  }
  auto children = nlohmann::ordered_json::array();
  for (const auto& child : window.children) children.push_back(WindowTreeJson(*child));
  json["children"] = std::move(children);
  return json;
}
