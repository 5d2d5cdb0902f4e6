// The list control: rows inserted, changed, sorted and deleted with the selection following its row, and
// owner-data rows asked of the parent only when the list is drawn.
#include "platform/afx/CListCtrl.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace {

enum : int { kRows = 400, kOwnerRows };

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
  // The rows as "image/data cell|cell", one after another, the selected one in brackets.
  static std::string Shown(const CListCtrl& list) {
    std::string shown;
    for (int r = 0; r < list.GetItemCount(); ++r) {
      const AfxListRow& row = list.m_hWnd->rows[static_cast<std::size_t>(r)];
      const std::string text = std::to_string(row.image) + "/" + std::to_string(row.data) + " " +
                               row.cells.at(0).Str() + "|" + row.cells.at(1).Str();
      shown += (r == 0 ? "" : ", ") + (r == list.GetSelectionMark() ? "[" + text + "]" : text);
    }
    return shown;
  }

  Owner owner_;
  CListCtrl rows_;
  CListCtrl ownerData_;
};

TEST_F(ListControl, RowsChangeInPlaceAndTheSelectionFollowsItsRowThroughInsertsSortsAndDeletes) {
  CListCtrl& list = rows_;
  LVITEM image{.mask = LVIF_IMAGE, .iItem = 2, .iImage = 3};
  const std::pair<std::function<void()>, const char*> steps[] = {
      {[&] { list.InsertItem(5, "charlie", 2); }, "2/0 charlie|"},  // past the end
      {[&] { list.InsertItem(0, "Alpha", 1); }, "1/0 Alpha|, 2/0 charlie|"},
      {[&] { list.SetSelectionMark(1); }, "1/0 Alpha|, [2/0 charlie|]"},
      {[&] { list.InsertItem(1, "bravo"); }, "1/0 Alpha|, 0/0 bravo|, [2/0 charlie|]"},
      {[&] {
         list.SetItemText(0, 1, "Launch");
         list.SetItemData(0, 7);
         list.SetItem(&image);
       },
       "1/7 Alpha|Launch, 0/0 bravo|, [3/0 charlie|]"},
      {[&] { list.SortItemsEx(&ByData, reinterpret_cast<LPARAM>(&list)); },
       "0/0 bravo|, [3/0 charlie|], 1/7 Alpha|Launch"},  // stable: bravo stays before charlie
      {[&] { list.DeleteItem(0); }, "[3/0 charlie|], 1/7 Alpha|Launch"},
      {[&] { list.DeleteItem(0); }, "1/7 Alpha|Launch"},
      {[&] { list.DeleteAllItems(); }, ""},
  };
  for (const auto& [change, rows] : steps) {
    change();
    EXPECT_EQ(Shown(list), rows);
  }
  EXPECT_FALSE(list.SetItemText(0, 0, "gone"));
}

TEST_F(ListControl, OwnerDataRowsAreAskedOfTheParentOnlyWhenDrawnWithRedrawOn) {
  ownerData_.SetItemCountEx(2);
  EXPECT_EQ(ownerData_.InsertItem(0, "own row"), -1);
  ownerData_.SetRedraw(FALSE);
  ownerData_.Invalidate();
  EXPECT_TRUE(owner_.asked == 0 && Shown(ownerData_).empty());
  ownerData_.SetRedraw(TRUE);
  ownerData_.Invalidate();
  EXPECT_EQ(owner_.asked, 4);  // each cell of each row
  EXPECT_EQ(Shown(ownerData_), "0/0 r0c0|r0c1, 1/10 r1c0|r1c1");
  ownerData_.SetItemCountEx(1);
  ownerData_.Invalidate();
  EXPECT_EQ(Shown(ownerData_), "0/0 r0c0|r0c1");
  ownerData_.DeleteAllItems();
  ownerData_.Invalidate();
  EXPECT_EQ(Shown(ownerData_), "");
}

}  // namespace
