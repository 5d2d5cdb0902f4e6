// The system page's template, sorting and clearing.
#include "platform/tavrin/MbsSystemMessagesMainPage.h"

#include <compare>
#include <string_view>

IMPLEMENT_DYNAMIC(MbsSystemMessagesMainPage, MbsSystemMessagesPage)

namespace {

constexpr unsigned long kSystemListStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL;
constexpr DialogControlTemplate kSystemPageControls[] = {
    {IDC_MBS_SYSTEM_LIST, AfxWindowKind::kList, "Systems", 4, 4, 392, 64, kSystemListStyle},
};
constexpr DialogTemplate kSystemPage{0, "System", 400, 72, WS_CHILD | WS_VISIBLE, kSystemPageControls, {}};

std::weak_ordering CompareNames(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const auto left = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(a[i])));
    const auto right = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(b[i])));
    if (left != right) return left <=> right;
  }
  if (a.size() != b.size()) return a.size() <=> b.size();
  return a <=> b;
}

// Compares the names of two rows of the list handed over as sortData.
int CompareRows(LPARAM first, LPARAM second, LPARAM sortData) {
  const auto* list = reinterpret_cast<const CListCtrl*>(sortData);
  const std::weak_ordering order = CompareNames(list->GetItemText(static_cast<int>(first), 0).View(),
                                                list->GetItemText(static_cast<int>(second), 0).View());
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

MbsSystemMessagesMainPage::MbsSystemMessagesMainPage(CWnd* parent)
    : MbsSystemMessagesPage(parent, kSystemPage, IDC_MBS_SYSTEM_LIST, {"Multibeam", "Vessel"}) {}

void MbsSystemMessagesMainPage::SortItemsAscending() {
  sorting_ = true;
  CListCtrl& list = GetListCtrl();
  list.SortItemsEx(&CompareRows, reinterpret_cast<LPARAM>(&list));
  sorting_ = false;
}

void MbsSystemMessagesMainPage::ClearDisplay() {
  GetListCtrl().DeleteAllItems();
}
