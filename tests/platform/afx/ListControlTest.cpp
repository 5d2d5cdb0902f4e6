// The list control: rows inserted, changed, sorted and deleted with the selection following its row, and
// owner-data rows asked of the parent only when the list is drawn.
#include "platform/afx/CListCtrl.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

enum : int { kRows = 400, kOwnerRows };

using Rows = std::vector<std::string>;

// Answers for the owner-data list: cell "r<row>c<column>", image the row, item data ten times the row.
struct Owner : CWnd {
  int asked = 0;
  void OnGetDispInfo(NMHDR* header, LRESULT*) {
    ++asked;
    LVITEM& item = reinterpret_cast<NMLVDISPINFO*>(header)->item;
    const std::string text = "r" + std::to_string(item.iItem) + "c" + std::to_string(item.iSubItem);
    if ((item.mask & LVIF_TEXT) != 0) item.pszText[text.copy(item.pszText, text.size())] = '\0';
    if ((item.mask & LVIF_IMAGE) != 0) item.iImage = item.iItem;
    if ((item.mask & LVIF_PARAM) != 0) item.lParam = 10 * item.iItem;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(Owner, CWnd)
ON_NOTIFY(LVN_GETDISPINFO, kOwnerRows, &Owner::OnGetDispInfo)
END_MESSAGE_MAP()

// Orders rows by their item data.
int ByData(LPARAM first, LPARAM second, LPARAM list) {
  const auto* rows = reinterpret_cast<const CListCtrl*>(list);
  const LPARAM a = rows->GetItemData(static_cast<int>(first));
  const LPARAM b = rows->GetItemData(static_cast<int>(second));
  return a < b ? -1 : (a > b ? 1 : 0);
}

class ListControl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(owner_.CreateAfxWindow(AfxWindowKind::kWindow, "", WS_VISIBLE, {0, 0, 400, 300}, nullptr, 0));
    const auto create = [this](CListCtrl& list, int id, unsigned long style) {
      ASSERT_TRUE(list.CreateAfxWindow(AfxWindowKind::kList, "", WS_VISIBLE | LVS_REPORT | style,
                                       {0, 0, 200, 100}, &owner_, id));
      list.InsertColumn(0, "Name");
      list.InsertColumn(1, "Vessel");
    };
    create(rows_, kRows, 0);
    create(ownerData_, kOwnerRows, LVS_OWNERDATA);
  }
  // Each row as "image/data cell | cell".
  static Rows Shown(const CListCtrl& list) {
    Rows shown;
    for (const AfxListRow& row : list.m_hWnd->rows) {
      shown.push_back(std::to_string(row.image) + "/" + std::to_string(row.data) + " " +
                      row.cells.at(0).Str() + " | " + row.cells.at(1).Str());
    }
    return shown;
  }

  Owner owner_;
  CListCtrl rows_;
  CListCtrl ownerData_;
};

TEST_F(ListControl, RowsChangeInPlaceAndTheSelectionFollowsItsRowThroughInsertsSortsAndDeletes) {
  CListCtrl& list = rows_;
  const struct {
    const char* what;
    std::function<void()> change;
    Rows rows;
    int selection;
  } steps[] = {
      {"inserted past the end", [&] { list.InsertItem(5, "charlie", 2); }, {"2/0 charlie | "}, -1},
      {"inserted at the top",
       [&] { list.InsertItem(0, "Alpha", 1); },
       {"1/0 Alpha | ", "2/0 charlie | "},
       -1},
      {"selected", [&] { list.SetSelectionMark(1); }, {"1/0 Alpha | ", "2/0 charlie | "}, 1},
      {"inserted above the selection",
       [&] { list.InsertItem(1, "bravo"); },
       {"1/0 Alpha | ", "0/0 bravo | ", "2/0 charlie | "},
       2},
      {"text, image and item data set",
       [&] {
         list.SetItemText(0, 1, "Launch");
         list.SetItemData(0, 7);
         LVITEM image{.mask = LVIF_IMAGE, .iItem = 2, .iImage = 3};
         list.SetItem(&image);
       },
       {"1/7 Alpha | Launch", "0/0 bravo | ", "3/0 charlie | "},
       2},
      {"sorted stably by item data",
       [&] { list.SortItemsEx(&ByData, reinterpret_cast<LPARAM>(&list)); },
       {"0/0 bravo | ", "3/0 charlie | ", "1/7 Alpha | Launch"},
       1},
      {"a row above the selection deleted",
       [&] { list.DeleteItem(0); },
       {"3/0 charlie | ", "1/7 Alpha | Launch"},
       0},
      {"the selected row deleted", [&] { list.DeleteItem(0); }, {"1/7 Alpha | Launch"}, -1},
      {"all deleted", [&] { list.DeleteAllItems(); }, {}, -1},
  };
  for (const auto& step : steps) {
    step.change();
    EXPECT_EQ(Shown(list), step.rows) << step.what;
    EXPECT_EQ(list.GetSelectionMark(), step.selection) << step.what;
  }
  EXPECT_FALSE(list.SetItemText(0, 0, "gone"));
}

TEST_F(ListControl, OwnerDataRowsAreAskedOfTheParentOnlyWhenDrawnWithRedrawOn) {
  ownerData_.SetItemCountEx(2);
  EXPECT_EQ(ownerData_.InsertItem(0, "own row"), -1);
  ownerData_.SetRedraw(FALSE);
  ownerData_.Invalidate();
  EXPECT_EQ(owner_.asked, 0);
  EXPECT_EQ(Shown(ownerData_), Rows{});
  ownerData_.SetRedraw(TRUE);
  ownerData_.Invalidate();
  EXPECT_EQ(owner_.asked, 4);  // each cell of each row
  EXPECT_EQ(Shown(ownerData_), (Rows{"0/0 r0c0 | r0c1", "1/10 r1c0 | r1c1"}));
  ownerData_.SetItemCountEx(1);
  ownerData_.Invalidate();
  EXPECT_EQ(Shown(ownerData_), Rows{"0/0 r0c0 | r0c1"});
  ownerData_.DeleteAllItems();
  ownerData_.Invalidate();
  EXPECT_EQ(Shown(ownerData_), Rows{});
}

}  // namespace
