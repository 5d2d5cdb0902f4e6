// The "Ocean Menu" page in its parent window, driven as the operator drives it, with a view that
// records the requests the page sends.
#include "views/config/KavoOceanMenuPage.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/afx/OperatorInput.h"
#include "resources/ResourceIds.h"
#include "tests/views/config/RecordingView.h"

namespace {

constexpr int kAbsorption = IDC_ABSORPTION_BAR, kSpreading = IDC_SPREADING_BAR;
constexpr int kVelocity = IDC_SOUND_VELOCITY_BAR;

class OceanMenuPage : public ConfigurationPageTest<KavoOceanMenuPage> {
 protected:
  // A bar as "[min,max] pos", "(disabled)" added when it takes no input, then its value label.
  std::string Shown(int bar) const {
    const int label = bar == kAbsorption  ? IDC_ABSORPTION_VALUE
                      : bar == kSpreading ? IDC_SPREADING_VALUE
                                          : IDC_SOUND_VELOCITY_VALUE;
    const AfxWindow& window = *Control(bar).m_hWnd;
    CString text;
    text.Format("[%d,%d] %d%s | %s", window.scrollMin, window.scrollMax, window.scrollPos,
                window.enabled ? "" : " (disabled)", Control(label).m_hWnd->text.GetString());
    return text.Str();
  }
  // One move of a bar, then its release, before which nothing goes out.
  Requests MoveAndRelease(int id, UINT code, int pos = 0) {
    EXPECT_TRUE(AfxOperatorScroll(Control(id), code, pos));
    EXPECT_EQ(view_.Take(), Requests{});
    EXPECT_TRUE(AfxOperatorScroll(Control(id), SB_ENDSCROLL, 0));
    return view_.Take();
  }
};

// A device that reports no absorption (0, the page's own start) leaves the template's 70 dB/km.
TEST_F(OceanMenuPage, StartsAtTheTemplatePlacesAndAnAbsentValueKeepsThem) {
  page_.SetAbsorption(0);
  EXPECT_EQ(Shown(kAbsorption), "[0,120] 70 | 70.0 dB/km");
  EXPECT_EQ(Shown(kSpreading), "[0,60] 30 | 30.0 dB");
  EXPECT_EQ(Shown(kVelocity), "[1400,1600] 1500 (disabled) | 1500.0 m/s");
  EXPECT_EQ(MoveAndRelease(kAbsorption, SB_THUMBPOSITION, 70), Requests{"ZqAbsorption=double 70"});
}

TEST_F(OceanMenuPage, SettersLabelTheValueAndPlaceTheBarAtItsFloor) {
  page_.SetAbsorption(41.7);
  page_.SetSpreading(12.25);
  EXPECT_EQ(Shown(kAbsorption), "[0,120] 41 | 41.7 dB/km");
  EXPECT_EQ(Shown(kSpreading), "[0,60] 12 | 12.2 dB");
  // With the sensor's sound velocity the bar stays where it is.
  page_.SetSoundVelocity(1487.3);
  EXPECT_EQ(Shown(kVelocity), "[1400,1600] 1500 (disabled) | 1487.3 m/s");
  page_.SetSoundVelocityOverride(true);
  EXPECT_EQ(Shown(kVelocity), "[1400,1600] 1487 | 1487.3 m/s");
  page_.SetSoundVelocity(1512.9);
  EXPECT_EQ(Shown(kVelocity), "[1400,1600] 1512 | 1512.9 m/s");
  EXPECT_EQ(view_.Take(), Requests{});
}

// Bar, move and position, then what the bar and label show and the request of the release. The
// spreading bar starts at 30, the absorption bar at 70.
TEST_F(OceanMenuPage, EachReleaseSendsTheValueTheBarShows) {
  const std::tuple<int, UINT, int, const char*, const char*> cases[] = {
      {kAbsorption, SB_RIGHT, 0, "[0,120] 120 | 120.0 dB/km", "ZqAbsorption=double 120"},
      {kAbsorption, SB_LINERIGHT, 0, "[0,120] 120 | 120.0 dB/km", "ZqAbsorption=double 120"},
      {kAbsorption, SB_THUMBTRACK, 5, "[0,120] 5 | 5.0 dB/km", "ZqAbsorption=double 5"},
      {kSpreading, SB_PAGERIGHT, 0, "[0,60] 31 | 31.0 dB", "ZqSpreadingLoss=double 31"},
      {kSpreading, SB_PAGELEFT, 0, "[0,60] 30 | 30.0 dB", "ZqSpreadingLoss=double 30"},
      {kSpreading, SB_LEFT, 0, "[0,60] 0 | 0.0 dB", "ZqSpreadingLoss=double 0"},
      {kSpreading, SB_LINELEFT, 0, "[0,60] 0 | 0.0 dB", "ZqSpreadingLoss=double 0"},
  };
  for (const auto& [bar, code, pos, shown, request] : cases) {
    EXPECT_EQ(MoveAndRelease(bar, code, pos), Requests{request});
    EXPECT_EQ(Shown(bar), shown) << request;
  }
}

// The override sends the shown sound velocity with its new state; the bar then sends its own value.
TEST_F(OceanMenuPage, TheOverrideEnablesTheSoundVelocityBarAndGoesOutWithTheVelocity) {
  page_.SetSoundVelocity(1487.3);
  EXPECT_FALSE(AfxOperatorScroll(Control(kVelocity), SB_LINERIGHT, 0));
  ASSERT_TRUE(AfxOperatorClick(Control(IDC_SOUND_VELOCITY_OVERRIDE)));
  EXPECT_EQ(view_.Take(), Requests{"velocity= 1487.3 1"});
  EXPECT_EQ(Shown(kVelocity), "[1400,1600] 1487 | 1487.3 m/s");
  EXPECT_EQ(MoveAndRelease(kVelocity, SB_LINERIGHT), Requests{"velocity= 1488 1"});
  EXPECT_EQ(Shown(kVelocity), "[1400,1600] 1488 | 1488.0 m/s");
  ASSERT_TRUE(AfxOperatorClick(Control(IDC_SOUND_VELOCITY_OVERRIDE)));
  EXPECT_EQ(view_.Take(), Requests{"velocity= 1488 0"});
  EXPECT_EQ(Shown(kVelocity), "[1400,1600] 1488 (disabled) | 1488.0 m/s");
}

}  // namespace
