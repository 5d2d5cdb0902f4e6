// The "Sonar Settings" page in its parent window, driven as the operator drives it, with a view that
// records the requests the page sends.
#include "views/config/KavoSonarSettingsPage.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/afx/OperatorInput.h"
#include "platform/tavrin/HostViews.h"
#include "resources/ResourceIds.h"
#include "tests/views/config/PluginResources.h"
#include "tests/views/config/RecordingView.h"

namespace {

// The view the page lies in, counting the help requests that reach it.
struct ParentView : public CWnd {
  int helpRequests = 0;
  BOOL OnHelpInfo(HELPINFO*) { return ++helpRequests > 0; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ParentView, CWnd)
ON_WM_HELPINFO()
END_MESSAGE_MAP()

class SonarSettingsPage : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_.CreateAfxWindow(AfxWindowKind::kFormView, "", WS_VISIBLE, CRect(0, 0, 400, 400), nullptr, 0);
    ASSERT_TRUE(page_.Create(KavoSonarSettingsPage::IDD, &parent_));
    page_.ShowWindow(SW_SHOW);
  }
  // The limits of one setting set, handed over as the view hands them.
  void LoadLimits(double pulseMax = 500e-6) {
    page_.SetRangeSet({5, 10, 20, 50, 100});
    page_.SetRangeLimits(10, 60);
    page_.SetPowerLimits(200, 210);
    page_.SetPulseLengthLimits(25e-6, pulseMax);
    page_.SetBeamWidthSet(true, {0.5, 1, 2});
    page_.SetSteeringLimits(true, -10, 10, 0);
    page_.SetSteering(-10, 0);
    page_.SetPingRateLimits(10, 1, false);
    page_.SetGainLimits(0, 40);
    page_.SetFixedGain(true, 10, 20);
    page_.SetChirpAvailable(1);
    EXPECT_TRUE(page_.SetFrequencyList({200000, 400000}));
    page_.ApplyLimits();
  }

  CWnd& Control(int id) const { return *page_.GetDlgItem(id); }
  // What the controls show, " | " between them: text, a bar's "[min,max] pos", a list's "items @selection".
  std::string Shown(std::initializer_list<int> ids) const {
    std::string shown;
    for (const int id : ids) {
      const AfxWindow& window = *Control(id).m_hWnd;
      CString text = window.text;
      if (window.kind == AfxWindowKind::kScrollBar) {
        text.Format("[%d,%d] %d", window.scrollMin, window.scrollMax, window.scrollPos);
      } else if (window.kind == AfxWindowKind::kComboBox) {
        for (const CString& item : window.items) text += item.Str() + " ";
        text += "@" + std::to_string(window.selection);
      }
      if (!window.visible) text += " (hidden)";
      if (!window.enabled) text += " (disabled)";
      shown += (shown.empty() ? "" : " | ") + text.Str();
    }
    return shown;
  }
  // One move of a bar (a drag starts at its lower end), then its release, before which nothing goes out.
  Requests MoveAndRelease(int id, UINT code, int pos = 0) {
    const bool drag = code == SB_THUMBTRACK;
    EXPECT_TRUE(!drag || AfxOperatorScroll(Control(id), code, Control(id).m_hWnd->scrollMin));
    EXPECT_TRUE(AfxOperatorScroll(Control(id), code, pos));
    EXPECT_TRUE(!drag || AfxOperatorScroll(Control(id), SB_THUMBPOSITION, pos));
    EXPECT_EQ(view_.Take(), Requests{});
    EXPECT_TRUE(AfxOperatorScroll(Control(id), SB_ENDSCROLL, 0));
    return view_.Take();
  }

  PluginResources resources_;
  RecordingView view_;
  ParentView parent_;
  KavoSonarSettingsPage page_{&view_};
};

// Before any limits the optional controls are hidden and the choices disabled.
TEST_F(SonarSettingsPage, LimitsSpanTheBarsLabelTheirEndsAndShowTheOptionalControls) {
  EXPECT_EQ(Shown({IDC_FREQUENCY_UNIT, IDC_PULSE_LENGTH_BAR, IDC_PULSE_TYPE_LIST, IDC_GAIN_MODE_FIXED,
                   IDC_BEAM_WIDTH_CAPTION, IDC_STEERING_CAPTION}),
            "kHz | [0,30000] 1000 | CW FM @0 (disabled) | Fixed (disabled) | Beam width: (hidden) | "
            "Vertical steering: (hidden)");
  LoadLimits();
  // Range set 5..100 within 10..60: the bar offers 10, 20, 50 and 60 m, 60 in the place of 100.
  EXPECT_EQ(Shown({IDC_RANGE_MIN, IDC_RANGE_BAR, IDC_RANGE_MAX}), "10.0 | [1,4] 1 | 60.0");
  EXPECT_EQ(Shown({IDC_POWER_MIN, IDC_POWER_BAR, IDC_POWER_MAX}), "OFF | [0,11] 0 | 210");
  EXPECT_EQ(Shown({IDC_PULSE_LENGTH_MIN, IDC_PULSE_LENGTH_MAX, IDC_PULSE_TYPE_LIST}),
            "25 µs | 500 µs | CW FM @0");
  EXPECT_EQ(Shown({IDC_BEAM_WIDTH_CAPTION, IDC_BEAM_WIDTH_MIN, IDC_BEAM_WIDTH_BAR, IDC_BEAM_WIDTH_MAX}),
            "Beam width: | 0.5° | [0,2] 0 | 2.0°");
  EXPECT_EQ(Shown({IDC_STEERING_CAPTION, IDC_STEERING_MIN, IDC_STEERING_BAR, IDC_STEERING_MAX}),
            "Vertical steering: | -10° | [-40,40] 0 | 10°");
  EXPECT_EQ(Shown({IDC_PING_RATE_MIN, IDC_PING_RATE_BAR, IDC_PING_RATE_MAX}), "0 | [0,10] 0 | 10");
  EXPECT_EQ(Shown({IDC_GAIN_MIN, IDC_GAIN_BAR, IDC_GAIN_MAX, IDC_GAIN_MODE_FIXED}),
            "0.0 | [0,40] 0 | 40.0 | Fixed");
  EXPECT_EQ(Shown({IDC_FREQUENCY_LIST}), "200 400 @-1");
  // Sets longer than the page's tables keep their first entries: 42 ranges, 10 beam widths.
  std::vector<double> ranges;
  for (int metres = 1; metres <= 50; ++metres) ranges.push_back(metres);
  page_.SetRangeSet(ranges);
  page_.SetRangeLimits(1, 100);
  page_.SetBeamWidthSet(true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  page_.SetPulseLengthLimits(50e-6, 10e-3);  // from a millisecond up, the limits read in ms
  page_.ApplyLimits();
  EXPECT_EQ(Shown({IDC_RANGE_BAR, IDC_RANGE_MAX, IDC_BEAM_WIDTH_BAR, IDC_BEAM_WIDTH_MAX, IDC_PULSE_LENGTH_MIN,
                   IDC_PULSE_LENGTH_MAX}),
            "[0,41] 0 | 42.0 | [0,9] 0 | 10.0° | 0.05 ms | 10.0 ms");
}

TEST_F(SonarSettingsPage, ValueSettersPlaceTheBarAndLabelTheValue) {
  LoadLimits();
  const std::tuple<std::function<void(KavoSonarSettingsPage&)>, int, int, const char*> cases[] = {
      {[](auto& p) { p.SetRange(12); }, IDC_RANGE_BAR, IDC_RANGE_VALUE, "[1,4] 1 | 12.0 m"},
      {[](auto& p) { p.SetPower(201); }, IDC_POWER_BAR, IDC_POWER_VALUE, "[0,11] 2 | 201 dB"},
      {[](auto& p) { p.SetPower(0.05); }, IDC_POWER_BAR, IDC_POWER_VALUE, "[0,11] 0 | OFF"},
      {[](auto& p) { p.SetGain(12.7); }, IDC_GAIN_BAR, IDC_GAIN_VALUE, "[0,40] 12 | 12.7 dB"},
      {[](auto& p) { p.SetMaxPingRate(0.5); }, IDC_PING_RATE_BAR, IDC_PING_RATE_VALUE, "[0,10] 0 | OFF"},
      {[](auto& p) { p.SetSteering(2.5, 0); }, IDC_STEERING_BAR, IDC_STEERING_VALUE, "[-40,40] 10 | 2.50°"},
  };
  for (const auto& [set, bar, label, shown] : cases) {
    set(page_);
    EXPECT_EQ(Shown({bar, label}), shown);
  }
  // Limits only store; applying them redraws every value, also one that did not change.
  page_.SetPingRateLimits(10, 4, true);
  page_.SetMaxPingRate(0.5);
  EXPECT_EQ(Shown({IDC_PING_RATE_BAR, IDC_PING_RATE_VALUE}), "[0,10] 0 | OFF");
  page_.ApplyLimits();
  EXPECT_EQ(Shown({IDC_PING_RATE_MIN, IDC_PING_RATE_BAR, IDC_PING_RATE_VALUE}), "OFF | [0,1] 1 | MAX");
}

// The maximum ping rate goes out with the ping state when the bar crosses 0; the ping state starts off.
TEST_F(SonarSettingsPage, EachReleaseSendsTheRequestsForWhatTheBarShows) {
  LoadLimits();
  constexpr int kPing = IDC_PING_RATE_BAR, kPingValue = IDC_PING_RATE_VALUE;
  const std::tuple<int, UINT, int, int, const char*, Requests> cases[] = {
      {IDC_RANGE_BAR, SB_THUMBTRACK, 4, IDC_RANGE_VALUE, "60.0 m", {"ZqRange=double 60"}},
      {IDC_RANGE_BAR, SB_LINELEFT, 0, IDC_RANGE_VALUE, "50.0 m", {"ZqRange=double 50"}},
      {IDC_POWER_BAR, SB_THUMBTRACK, 0, IDC_POWER_VALUE, "OFF", {"ZqPower=double 0"}},
      {IDC_POWER_BAR, SB_RIGHT, 0, IDC_POWER_VALUE, "210 dB", {"ZqPower=double 210"}},
      {IDC_GAIN_BAR, SB_THUMBTRACK, 12, IDC_GAIN_VALUE, "12.0 dB", {"ZqGain=double 12"}},
      {IDC_BEAM_WIDTH_BAR, SB_PAGERIGHT, 0, IDC_BEAM_WIDTH_VALUE, "1.0°", {"ZqBeamWidthX=double 1"}},
      {IDC_STEERING_BAR, SB_PAGERIGHT, 0, IDC_STEERING_VALUE, "2.00°", {"ZqBeamSteer=double2 2 0"}},
      {IDC_STEERING_BAR, SB_THUMBTRACK, -3, IDC_STEERING_VALUE, "-0.75°", {"ZqBeamSteer=double2 -0.75 0"}},
      {kPing, SB_THUMBTRACK, 5, kPingValue, "5.0 p/s", {"ZqMaxPingRate=double 5", "ZqPingOnOffState=int 1"}},
      {kPing, SB_LEFT, 0, kPingValue, "OFF", {"ZqMaxPingRate=double 0", "ZqPingOnOffState=int 0"}},
      {kPing, SB_LEFT, 0, kPingValue, "OFF", {"ZqMaxPingRate=double 0"}},
  };
  for (const auto& [bar, code, pos, label, shown, requests] : cases) {
    EXPECT_EQ(MoveAndRelease(bar, code, pos), requests);
    EXPECT_EQ(Shown({label}), shown) << requests.front();
  }
  page_.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_LINELEFT, 0),
                    reinterpret_cast<LPARAM>(Control(IDC_RANGE_BAR).m_hWnd));
  EXPECT_EQ(Shown({IDC_RANGE_VALUE}), "20.0 m");  // a vertical scroll is handled as a horizontal one
}

using PulseCase = std::tuple<int, int, UINT, int, const char*, const char*>;

class PulseLengthBar : public SonarSettingsPage, public ::testing::WithParamInterface<PulseCase> {};

// Start and maximum (µs), move, what the bar and label show, the request at the release. Lines step by
// the unit of the second significant digit, pages by five of it; every result keeps two significant
// digits within the limits. Bar places: 30000 × log(p / 25 µs) / log(max / 25 µs).
TEST_P(PulseLengthBar, StepsRoundsClampsAndSendsOnRelease) {
  const auto& [start, maximum, code, pos, shown, request] = GetParam();
  LoadLimits(maximum * 1e-6);
  page_.SetPulseLength(start * 1e-6);
  EXPECT_EQ(MoveAndRelease(IDC_PULSE_LENGTH_BAR, code, pos), Requests{request});
  // The sonar's next two reports may still carry the old length: they do not move the bar back.
  page_.SetPulseLength(start * 1e-6);
  page_.SetPulseLength(start * 1e-6);
  EXPECT_EQ(Shown({IDC_PULSE_LENGTH_BAR, IDC_PULSE_LENGTH_VALUE}), shown);
  page_.SetPulseLength(1500e-6);
  EXPECT_EQ(Shown({IDC_PULSE_LENGTH_VALUE}), "1.50 ms");
}

INSTANTIATE_TEST_SUITE_P(
    Moves, PulseLengthBar,
    ::testing::Values(
        PulseCase(55, 500, SB_LINERIGHT, 0, "[0,30000] 8076 | 56 µs", "ZqPulseLength=double 5.6e-05"),
        PulseCase(55, 500, SB_PAGERIGHT, 0, "[0,30000] 8767 | 60 µs", "ZqPulseLength=double 6e-05"),
        PulseCase(150, 500, SB_LINERIGHT, 0, "[0,30000] 18589 | 160 µs", "ZqPulseLength=double 0.00016"),
        PulseCase(150, 500, SB_PAGERIGHT, 0, "[0,30000] 20824 | 200 µs", "ZqPulseLength=double 0.0002"),
        PulseCase(490, 500, SB_PAGERIGHT, 0, "[0,30000] 30000 | 500 µs", "ZqPulseLength=double 0.0005"),
        PulseCase(25, 500, SB_LINELEFT, 0, "[0,30000] 0 | 25 µs", "ZqPulseLength=double 2.5e-05"),
        PulseCase(55, 500, SB_THUMBTRACK, 15000, "[0,30000] 14837 | 110 µs", "ZqPulseLength=double 0.00011"),
        PulseCase(1400, 10000, SB_PAGERIGHT, 0, "[0,30000] 21684 | 1.90 ms", "ZqPulseLength=double 0.0019")));

// Fixed gain has limits of its own. Frequencies are listed once per whole kHz; an entry chooses the
// first setting set listed under it.
TEST_F(SonarSettingsPage, GainModePulseTypeAndFrequencyChoicesSendTheirRequests) {
  LoadLimits();
  ASSERT_TRUE(AfxOperatorClick(Control(IDC_GAIN_MODE_FIXED)));
  EXPECT_EQ(Shown({IDC_GAIN_MIN, IDC_GAIN_BAR, IDC_GAIN_MAX}), "10.0 | [10,20] 10 | 20.0");
  ASSERT_TRUE(AfxOperatorClick(Control(IDC_GAIN_MODE_TVG)));
  EXPECT_EQ(Shown({IDC_GAIN_BAR}), "[0,40] 0");
  EXPECT_EQ(static_cast<CButton&>(Control(IDC_GAIN_MODE_FIXED)).GetCheck(), BST_UNCHECKED);
  ASSERT_TRUE(AfxOperatorSelect(Control(IDC_PULSE_TYPE_LIST), 1));
  EXPECT_FALSE(page_.SetFrequencyList({}));
  EXPECT_TRUE(page_.SetFrequencyList({400000, 200500, 200000}));
  page_.SetCurrentFrequency(200000);
  page_.ApplyLimits();
  EXPECT_EQ(Shown({IDC_FREQUENCY_LIST}), "200 400 @0");
  page_.SetCurrentFrequency(400000);
  EXPECT_EQ(Shown({IDC_FREQUENCY_LIST}), "200 400 @1");
  ASSERT_TRUE(AfxOperatorSelect(Control(IDC_FREQUENCY_LIST), 0));
  EXPECT_EQ(view_.Take(),
            (Requests{"ZqGainMode=int 2", "ZqGainMode=int 0", "ZqPulseType=int 1", "DeviceEnum=int 1"}));
}

TEST_F(SonarSettingsPage, HelpGoesToTheHostElseToTheViewAndEnterOrEscapeKeepThePage) {
  CWnd* shownFor = nullptr;
  HelpProvider::GetInstance().SetShower(
      [&shownFor](CWnd& window) { return (shownFor = &window) != nullptr; });
  HELPINFO info;
  const auto help = [&] { return page_.SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)); };
  EXPECT_TRUE(help() == TRUE && shownFor == &page_ && parent_.helpRequests == 0);
  HelpProvider::GetInstance().SetShower(nullptr);
  EXPECT_TRUE(help() == TRUE && parent_.helpRequests == 1);
  page_.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
  page_.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
  EXPECT_TRUE(page_.IsWindowVisible());
}

}  // namespace
