// JSON written straight into text: what a string must escape, bytes that are no UTF-8, and a list
// control in a window tree.
#include "host/JsonText.h"

#include <gtest/gtest.h>

#include "host/WindowTreeJson.h"
#include "platform/afx/CListCtrl.h"

namespace {

TEST(JsonText, EscapesWhatJsonNeedsAndReplacesWhatIsNoUtf8) {
  const struct {
    std::string_view text;
    std::string_view json;
  } cases[] = {
      {"", R"("")"},
      {R"(say "hi" \ bye)", R"("say \"hi\" \\ bye")"},
      {std::string_view("a\nb\x01\0", 5), R"("a\u000ab\u0001\u0000")"},
      {"0.5\xC2\xB0 55 \xC2\xB5s \xF0\x9F\x9A\xA2",
       "\"0.5\xC2\xB0 55 \xC2\xB5s \xF0\x9F\x9A\xA2\""},  // °, µ, a ship
      {"\xFF"
       "x",
       "\"\xEF\xBF\xBDx\""},                                         // never a lead byte
      {"\xC2", "\"\xEF\xBF\xBD\""},                                  // cut short
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // overlong
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate
  };
  for (const auto& c : cases) {
    std::string out = "[";
    AppendJsonString(out, c.text);
    EXPECT_EQ(out, "[" + std::string(c.json)) << c.json;
  }
}

// A list: its columns, then each row's cells, image and item data, then the selected row.
TEST(WindowTreeJson, AListShowsItsColumnsRowsAndSelection) {
  CListCtrl list;
  ASSERT_TRUE(list.CreateAfxWindow(AfxWindowKind::kList, "Systems", WS_VISIBLE, {1, 2, 3, 4}, nullptr, 5));
  list.InsertColumn(0, "Multibeam");
  list.InsertColumn(1, "Vessel");
  list.InsertItem(0, "Survey Vessel", 3);
  list.SetItemText(0, 1, "Survey \"A\"");
  list.SetItemData(0, 7);
  list.InsertItem(1, "Launch", 1);
  list.SetSelectionMark(1);
  std::string json;
  AppendWindowTreeJson(*list.m_hWnd, json);
  EXPECT_EQ(json,
            R"({"id":5,"kind":"list","text":"Systems","enabled":true,"visible":true,"rect":[1,2,3,4],)"
            R"("columns":["Multibeam","Vessel"],"rows":[{"cells":["Survey Vessel","Survey \"A\""],"image":3,)"
            R"("data":7},{"cells":["Launch",""],"image":1,"data":0}],"selection":1,"children":[]})");
}

}  // namespace
