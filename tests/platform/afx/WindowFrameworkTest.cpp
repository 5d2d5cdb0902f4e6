// The headless window framework's own rules that the views rely on: message maps, dialogs made from a
// module's templates, control state, operator input, destruction, change counting and posted messages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/afx/AFX_EXTENSION_MODULE.h"
#include "platform/afx/CDataExchange.h"
#include "platform/afx/CDialog.h"
#include "platform/afx/CDynLinkLibrary.h"
#include "platform/afx/Controls.h"
#include "platform/afx/DialogTemplate.h"
#include "platform/afx/OperatorInput.h"

namespace {

enum : int { kPaneTemplate = 9100, kInnerTemplate, kMissingTemplate };
enum : int { kLabel = 300, kApply, kList, kHBar, kVBar, kTabs, kCheck, kLowA, kHighA, kLowB, kHighB, kEdit };

using AfxKind = AfxWindowKind;
constexpr unsigned long kOn = WS_VISIBLE;
constexpr DialogControlTemplate kPaneControls[] = {
    {kLabel, AfxKind::kStatic, "Range", 4, 8, 40, 8, kOn},
    {kApply, AfxKind::kButton, "Apply", 50, 8, 30, 16, kOn},
    {kList, AfxKind::kComboBox, "", 4, 24, 60, 64, kOn | CBS_DROPDOWNLIST | CBS_SORT},
    {kHBar, AfxKind::kScrollBar, "", 4, 40, 100, 8, kOn | SBS_HORZ},
    {kVBar, AfxKind::kScrollBar, "", 110, 0, 8, 48, kOn | SBS_VERT},
    {kTabs, AfxKind::kTab, "", 0, 56, 120, 40, kOn},
    {kCheck, AfxKind::kCheckBox, "Auto", 4, 96, 40, 8, kOn},
    {kLowA, AfxKind::kRadio, "Low", 4, 104, 40, 8, kOn | WS_GROUP},
    {kHighA, AfxKind::kRadio, "High", 50, 104, 40, 8, kOn},
    {kLowB, AfxKind::kRadio, "Port", 4, 112, 40, 8, kOn | WS_GROUP},
    {kHighB, AfxKind::kRadio, "Starboard", 50, 112, 40, 8, kOn},
};
constexpr DialogInitItem kPaneItems[] = {{kList, "beta"}, {kList, "Alpha"}};
constexpr DialogControlTemplate kInnerControls[] = {{kEdit, AfxKind::kEdit, "12", 8, 16, 20, 8, kOn}};
constexpr DialogTemplate kTestDialogs[] = {
    {kPaneTemplate, "Pane", 200, 128, WS_CHILD | WS_VISIBLE, kPaneControls, kPaneItems},
    {kInnerTemplate, "Inner", 60, 32, WS_CHILD | WS_VISIBLE, kInnerControls, {}},
};
constexpr AfxResourceTable kTestResources{kTestDialogs, {}};

// Handlers write what they heard, each followed by ';'. The base maps the apply button and the list;
// the pane takes the apply button over and adds the tabs, help, a posted message and the scroll bars.
struct BasePane : CDialog {
  std::string heard;
  void OnBaseApply() { heard += "base apply;"; }
  void OnBaseList() { heard += "base list;"; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BasePane, CDialog)
ON_BN_CLICKED(kApply, &BasePane::OnBaseApply)
ON_CBN_SELCHANGE(kList, &BasePane::OnBaseList)
END_MESSAGE_MAP()

struct CountingBar : CScrollBar {
  int postNcDestroys = 0;
  void PostNcDestroy() override { ++postNcDestroys; }
};

struct Pane : BasePane {
  CountingBar bar;  // bound to kHBar by data exchange
  int postNcDestroys = 0;
  bool controlsAtInit = false;

  void DoDataExchange(CDataExchange* exchange) override { DDX_Control(exchange, kHBar, bar); }
  BOOL OnInitDialog() override {
    controlsAtInit = GetDlgItem(kHighB) != nullptr;
    return CDialog::OnInitDialog();
  }
  void PostNcDestroy() override { ++postNcDestroys; }
  void OnApply() { heard += "apply;"; }
  void OnTab(NMHDR* header, LRESULT*) { heard += "tab " + std::to_string(header->idFrom) + ";"; }
  BOOL OnHelpInfo(HELPINFO*) { return (heard += "help;", TRUE); }
  LRESULT OnApp(WPARAM wParam, LPARAM) { return (heard += "app " + std::to_string(wParam) + ";", 0); }
  void OnHScroll(UINT code, UINT pos, CScrollBar* from) { Scrolled("H ", code, pos, from); }
  void OnVScroll(UINT code, UINT pos, CScrollBar* from) { Scrolled("V ", code, pos, from); }
  void Scrolled(const char* axis, UINT code, UINT pos, CScrollBar* from) {
    heard += axis + std::to_string(code) + " " + std::to_string(static_cast<int>(pos)) +
             (from == &bar ? " bar;" : ";");
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(Pane, BasePane)
ON_BN_CLICKED(kApply, &Pane::OnApply)
ON_NOTIFY(TCN_SELCHANGE, kTabs, &Pane::OnTab)
ON_WM_HELPINFO()
ON_MESSAGE(WM_APP, &Pane::OnApp)
ON_WM_HSCROLL()
ON_WM_VSCROLL()
END_MESSAGE_MAP()

char testResourceModule;

// A pane made from the test module's template in a visible host window, its tabs filled.
class WindowFramework : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AfxInitExtensionModule(module_, &testResourceModule));
    new CDynLinkLibrary(module_, false);
    ASSERT_TRUE(host_.CreateAfxWindow(AfxKind::kWindow, "", WS_VISIBLE, {0, 0, 800, 600}, nullptr, 0));
    ASSERT_TRUE(pane_.Create(kPaneTemplate, &host_));
    Tabs().InsertItem(0, "Sonar");
    Tabs().InsertItem(1, "Ocean");
  }
  void TearDown() override {
    AfxSetUiThread({}, nullptr);
    AfxTermExtensionModule(module_, false);
  }

  CWnd& Item(int id) const { return *pane_.GetDlgItem(id); }
  CComboBox& List() const { return dynamic_cast<CComboBox&>(Item(kList)); }
  CTabCtrl& Tabs() const { return dynamic_cast<CTabCtrl&>(Item(kTabs)); }
  CButton& Button(int id) const { return dynamic_cast<CButton&>(Item(id)); }
  std::uint64_t Version() const { return host_.m_hWnd->version; }
  std::string Heard() { return std::exchange(pane_.heard, {}); }

  AFX_EXTENSION_MODULE module_{.resources = &kTestResources};
  CWnd host_;
  Pane pane_;
};

TEST_F(WindowFramework, DialogIsMadeOnlyFromATemplateInTheChainWithItsControlsInTemplateOrder) {
  EXPECT_EQ(pane_.m_hWnd->rect, CRect(0, 0, 300, 208));
  std::vector<int> ids;
  for (const auto& child : pane_.m_hWnd->children) ids.push_back(child->id);
  EXPECT_EQ(ids, (std::vector<int>{kLabel, kApply, kList, kHBar, kVBar, kTabs, kCheck, kLowA, kHighA, kLowB,
                                   kHighB}));
  EXPECT_EQ(pane_.GetTopWindow()->GetDlgCtrlID(), kLabel);
  using Control = std::tuple<int, AfxWindowKind, CString, CRect>;
  for (const auto& [id, kind, text, rect] : {Control{kLabel, AfxKind::kStatic, "Range", {6, 13, 66, 26}},
                                             Control{kApply, AfxKind::kButton, "Apply", {75, 13, 120, 39}},
                                             Control{kList, AfxKind::kComboBox, "", {6, 39, 96, 143}},
                                             Control{kVBar, AfxKind::kScrollBar, "", {165, 0, 177, 78}}}) {
    const AfxWindow& window = *Item(id).m_hWnd;
    EXPECT_EQ(std::tie(window.kind, window.text, window.rect), std::tie(kind, text, rect)) << id;
  }
  EXPECT_EQ(Item(kList).m_hWnd->items, (std::vector<CString>{"Alpha", "beta"}));
  EXPECT_TRUE(pane_.controlsAtInit);
  CDialog inner;  // controls of a dialog in the dialog are found from either
  ASSERT_TRUE(inner.Create(kInnerTemplate, &pane_));
  ASSERT_TRUE(pane_.GetDlgItem(kEdit) != nullptr && pane_.GetDlgItem(kEdit) == inner.GetDlgItem(kEdit));
  EXPECT_EQ(pane_.GetDlgItem(kEdit)->m_hWnd->rect, CRect(12, 26, 42, 39));
  CDialog other;
  EXPECT_FALSE(other.Create(kMissingTemplate, &host_));
  AfxTermExtensionModule(module_, false);
  EXPECT_FALSE(other.Create(kInnerTemplate, &pane_));
  EXPECT_EQ(other.m_hWnd, nullptr);
}

TEST_F(WindowFramework, MessageMapsTakeTheMostDerivedEntryForItsCodeAndControlIdOnly) {
  using Sent = std::tuple<UINT, UINT, int, std::string>;
  for (const auto& [message, code, id, heard] :
       {Sent{WM_COMMAND, BN_CLICKED, kApply, "apply;"}, Sent{WM_COMMAND, BN_CLICKED, kCheck, ""},
        Sent{WM_COMMAND, CBN_SELCHANGE, kList, "base list;"}, Sent{WM_COMMAND, CBN_SELCHANGE, kApply, ""},
        Sent{WM_NOTIFY, TCN_SELCHANGE, kTabs, "tab 305;"}, Sent{WM_NOTIFY, TCN_SELCHANGE, kList, ""}}) {
    NMHDR header{nullptr, static_cast<UINT>(id), code};
    if (message == WM_COMMAND) pane_.SendMessage(message, MAKEWPARAM(static_cast<UINT>(id), code));
    if (message == WM_NOTIFY) pane_.SendMessage(message, header.idFrom, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(Heard(), heard) << id << " " << code;
  }
  HELPINFO info;  // unmapped by the label, help goes up to the dialog
  EXPECT_EQ(Item(kLabel).SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
  EXPECT_EQ(Heard(), "help;");
  pane_.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
  EXPECT_FALSE(pane_.IsWindowVisible());  // a modeless dialog ends by hiding
}

TEST_F(WindowFramework, ControlsKeepSortedListsSelectionsAndScrollPositionsWithinTheirRules) {
  CComboBox& list = List();
  EXPECT_EQ(list.AddString("Charlie"), 2);
  EXPECT_EQ(list.AddString("alpha two"), 1);
  EXPECT_EQ(list.SetCurSel(2), 2);
  EXPECT_EQ(list.AddString("Aardvark"), 0);
  EXPECT_EQ(list.GetCurSel(), 3);  // still "beta"
  EXPECT_EQ(list.m_hWnd->items, (std::vector<CString>{"Aardvark", "Alpha", "alpha two", "beta", "Charlie"}));
  // Prefix search without case from after startAfter, wrapping round to startAfter itself.
  using Find = std::tuple<int, const char*, int>;
  for (const auto& [startAfter, prefix, found] :
       {Find{-1, "AL", 1}, Find{1, "al", 2}, Find{2, "al", 1}, Find{4, "a", 0}, Find{0, "aardvark", 0},
        Find{9, "c", 4}, Find{-1, "beta ", CB_ERR}}) {
    EXPECT_EQ(list.FindString(startAfter, prefix), found) << startAfter << " " << prefix;
  }
  EXPECT_EQ(list.SetCurSel(5), CB_ERR);
  EXPECT_EQ(list.GetCurSel(), CB_ERR);
  pane_.bar.SetScrollRange(-20, 20);
  EXPECT_EQ(pane_.bar.SetScrollPos(35), 0);
  EXPECT_EQ(pane_.bar.SetScrollPos(-50), 20);
  EXPECT_EQ(pane_.bar.GetScrollPos(), -20);
  pane_.bar.SetScrollRange(0, 10);
  EXPECT_EQ(pane_.bar.GetScrollPos(), 0);
  CRect rect(10, 20, 210, 120);
  Tabs().AdjustRect(FALSE, &rect);
  EXPECT_EQ(rect, CRect(14, 45, 206, 116));
  Tabs().AdjustRect(TRUE, &rect);
  EXPECT_EQ(rect, CRect(10, 20, 210, 120));
}

TEST_F(WindowFramework, OperatorInputReachesTheParentOnlyWhenTheControlAndItsDialogAreShownAndEnabled) {
  // The window blocked (0: the dialog), hidden or else disabled; the input; what the dialog then hears.
  // A scroll carries the bar's axis, its code and the whole signed position.
  using Input = std::tuple<int, bool, std::function<bool()>, std::string>;
  for (const auto& [id, hide, input, heard] :
       {Input{kHBar, false, [this] { return AfxOperatorScroll(Item(kHBar), SB_THUMBTRACK, -300); },
              "H 5 -300 bar;"},
        Input{kVBar, true, [this] { return AfxOperatorScroll(Item(kVBar), SB_LINEDOWN, 70000); },
              "V 1 70000;"},
        Input{kList, true, [this] { return AfxOperatorSelect(Item(kList), 1); }, "base list;"},
        Input{0, true, [this] { return AfxOperatorClick(Item(kApply)); }, "apply;"},
        Input{0, false, [this] { return AfxOperatorSelectTab(Item(kTabs), 1); }, "tab 305;"}}) {
    CWnd& window = id == 0 ? pane_ : Item(id);
    hide ? window.ShowWindow(SW_HIDE) : window.EnableWindow(FALSE);
    const std::uint64_t version = Version();
    EXPECT_FALSE(input()) << id;
    EXPECT_EQ(Version(), version) << id;
    hide ? window.ShowWindow(SW_SHOW) : window.EnableWindow(TRUE);
    EXPECT_TRUE(input()) << id;
    EXPECT_EQ(Heard(), heard);
  }
  EXPECT_EQ(pane_.bar.GetScrollPos(), 0);  // the dialog moves its bars, not the operator
  EXPECT_EQ(List().GetCurSel(), 1);
}

TEST_F(WindowFramework, RadioButtonsClearOnlyTheirOwnGroupAndCheckBoxesToggle) {
  // The checks after each click, of kLowA kHighA kLowB kHighB kCheck.
  using Click = std::tuple<int, std::string>;
  for (const auto& [button, checks] :
       {Click{kLowA, "10000"}, Click{kHighB, "10010"}, Click{kHighA, "01010"}, Click{kLowB, "01100"},
        Click{kCheck, "01101"}, Click{kCheck, "01100"}}) {
    EXPECT_TRUE(AfxOperatorClick(Item(button)));
    std::string shown;
    for (const int id : {kLowA, kHighA, kLowB, kHighB, kCheck})
      shown += std::to_string(Button(id).GetCheck());
    EXPECT_EQ(shown, checks) << button;
  }
}

TEST_F(WindowFramework, TopLevelVersionGrowsWithEveryChangeInItsTreeAndNotWithARepeatedOne) {
  using Change = std::tuple<const char*, std::function<void()>>;
  for (const auto& [what, change] : {Change{"text", [this] { Item(kLabel).SetWindowText("Depth"); }},
                                     Change{"enabled", [this] { Item(kApply).EnableWindow(FALSE); }},
                                     Change{"shown", [this] { Item(kVBar).ShowWindow(SW_HIDE); }},
                                     Change{"moved", [this] { Item(kApply).MoveWindow(1, 2, 3, 4); }},
                                     Change{"Z order", [this] { Item(kTabs).BringWindowToTop(); }},
                                     Change{"check", [this] { Button(kCheck).SetCheck(BST_CHECKED); }},
                                     Change{"bar position", [this] { pane_.bar.SetScrollPos(4); }},
                                     Change{"list selection", [this] { List().SetCurSel(1); }},
                                     Change{"list emptied", [this] { List().ResetContent(); }},
                                     Change{"tabs emptied", [this] { Tabs().DeleteAllItems(); }}}) {
    const std::uint64_t before = Version();
    change();
    const std::uint64_t changed = Version();
    change();
    EXPECT_TRUE(changed > before && Version() == changed) << what << ": " << before << " " << changed;
  }
}

TEST_F(WindowFramework, DestroyedDialogLetsGoOfEachObjectOnceAndDropsWhatWasPostedToIt) {
  EXPECT_FALSE(pane_.PostMessage(WM_APP, 1));  // no UI thread yet
  std::vector<std::function<void()>> queue;
  AfxSetUiThread(std::this_thread::get_id(), [&queue](auto work) { return (queue.push_back(work), true); });
  const auto runQueue = [&queue] {
    for (const auto& work : std::exchange(queue, {})) work();
  };
  EXPECT_TRUE(pane_.PostMessage(WM_APP, 7));
  EXPECT_EQ(Heard(), "");
  runQueue();
  EXPECT_EQ(Heard(), "app 7;");
  EXPECT_TRUE(pane_.PostMessage(WM_APP, 8));
  AfxWindow* const gone[] = {pane_.m_hWnd, Item(kLabel).m_hWnd, pane_.bar.m_hWnd};
  EXPECT_TRUE(pane_.DestroyWindow());
  EXPECT_FALSE(pane_.DestroyWindow());
  for (AfxWindow* window : gone) EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(pane_.m_hWnd == nullptr && pane_.bar.m_hWnd == nullptr && host_.GetTopWindow() == nullptr);
  EXPECT_EQ(pane_.postNcDestroys, 1);
  EXPECT_EQ(pane_.bar.postNcDestroys, 1);
  // A window made later, most often at a destroyed window's address, hears nothing posted to that one.
  Pane first;
  Pane later;
  ASSERT_TRUE(first.CreateAfxWindow(AfxKind::kWindow, "", WS_VISIBLE, {}, &host_, 0));
  EXPECT_TRUE(first.PostMessage(WM_APP, 9));
  first.DestroyWindow();
  ASSERT_TRUE(later.CreateAfxWindow(AfxKind::kWindow, "", WS_VISIBLE, {}, &host_, 0));
  runQueue();
  EXPECT_EQ(pane_.heard + later.heard, "");
  EXPECT_FALSE(pane_.PostMessage(WM_APP, 10));
}

}  // namespace
