// Writing a window tree as JSON text.
#include "host/WindowTreeJson.h"

#include "host/JsonText.h"
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
    case AfxWindowKind::kGroupBox:
      return "groupbox";
    case AfxWindowKind::kList:
      return "list";
  }
  return "window";
}

// Members after the first, each `,"name":value`.
void Member(std::string& out, const char* name, int value) {
  out += ",\"";
  out += name;
  out += "\":";
  out += std::to_string(value);
}

void Flag(std::string& out, const char* name, bool value) {
  out += ",\"";
  out += name;
  out += value ? "\":true" : "\":false";
}

void Items(std::string& out, const std::vector<CString>& items) {
  out += ",\"items\":[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    AppendJsonString(out, items[i].View());
  }
  out += ']';
}

// A list control's columns and rows: {"cells": [...], "image": n, "data": n} each.
void ListRows(std::string& out, const AfxWindow& list) {
  out += ",\"columns\":[";
  for (std::size_t i = 0; i < list.columns.size(); ++i) {
    if (i > 0) out += ',';
    AppendJsonString(out, list.columns[i].View());
  }
  out += "],\"rows\":[";
  for (std::size_t r = 0; r < list.rows.size(); ++r) {
    const AfxListRow& row = list.rows[r];
    out += r > 0 ? ",{\"cells\":[" : "{\"cells\":[";
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
      if (c > 0) out += ',';
      AppendJsonString(out, row.cells[c].View());
    }
    out += "],\"image\":" + std::to_string(row.image) + ",\"data\":" + std::to_string(row.data) + '}';
  }
  out += ']';
}

}  // namespace

void AppendWindowTreeJson(const AfxWindow& window, std::string& out) {
  out += "{\"id\":";
  out += std::to_string(window.id);
  out += R"(,"kind":")";
  out += KindName(window.kind);
  out += R"(","text":)";
  AppendJsonString(out, window.text.View());
  Flag(out, "enabled", window.enabled);
  Flag(out, "visible", window.visible);
  const CRect& r = window.rect;
  out += ",\"rect\":[" + std::to_string(r.left) + ',' + std::to_string(r.top) + ',' +
         std::to_string(r.right) + ',' + std::to_string(r.bottom) + ']';
  switch (window.kind) {
    case AfxWindowKind::kCheckBox:
    case AfxWindowKind::kRadio:
      Member(out, "checked", window.checked);
      break;
    case AfxWindowKind::kScrollBar:
      Flag(out, "vertical", window.IsVertical());
      Member(out, "min", window.scrollMin);
      Member(out, "max", window.scrollMax);
      Member(out, "pos", window.scrollPos);
      Member(out, "page", window.scrollPage);
      break;
    case AfxWindowKind::kComboBox:
      Items(out, window.items);
      Member(out, "selection", window.selection);
      Flag(out, "sorted", window.IsSorted());
      break;
    case AfxWindowKind::kTab:
      Items(out, window.items);
      Member(out, "selection", window.selection);
      break;
    case AfxWindowKind::kList:
      ListRows(out, window);
      Member(out, "selection", window.selection);
      break;
    case AfxWindowKind::kFormView:
      // What the view shows when it is larger than its window: the window then scrolls.
      out += ",\"scrollSize\":[" + std::to_string(window.scrollTotal.cx) + ',' +
             std::to_string(window.scrollTotal.cy) + ']';
      break;
    case AfxWindowKind::kEdit:
      if ((window.style & ES_READONLY) != 0) Flag(out, "readonly", true);
      break;
    case AfxWindowKind::kWindow:
    case AfxWindowKind::kFrame:
    case AfxWindowKind::kDialog:
    case AfxWindowKind::kStatic:
    case AfxWindowKind::kButton:
    case AfxWindowKind::kGroupBox:
      break;
  }
  out += ",\"children\":[";
  for (std::size_t i = 0; i < window.children.size(); ++i) {
    if (i > 0) out += ',';
    AppendWindowTreeJson(*window.children[i], out);
  }
  out += "]}";
}
