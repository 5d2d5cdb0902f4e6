// The "Data Recording" page in its parent window, driven as the operator drives it, with a view that
// holds the device attributes and records the requests the page sends; and the host's texts the page
// shows: the recording mode names and byte sizes.
#include "views/config/KavoDataRecordingPage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/afx/OperatorInput.h"
#include "platform/tavrin/COrvType.h"
#include "platform/tavrin/DataDefinition.h"
#include "platform/tavrin/FormatByteSize.h"
#include "resources/ResourceIds.h"
#include "tests/views/config/RecordingView.h"

namespace {

// Which of Start and Stop take input: "StartStop", "Start", "Stop" or "".
std::string ButtonsOf(const CWnd& page) {
  const bool start = page.GetDlgItem(IDC_RECORDING_START)->IsWindowEnabled() != FALSE;
  const bool stop = page.GetDlgItem(IDC_RECORDING_STOP)->IsWindowEnabled() != FALSE;
  return std::string(start ? "Start" : "") + (stop ? "Stop" : "");
}

class DataRecordingPage : public ConfigurationPageTest<KavoDataRecordingPage> {
 protected:
  std::string Buttons() const { return ButtonsOf(page_); }
  // The status fields: mode | directory | file name | file size | disk free.
  std::string Status() const {
    std::string shown = Control(IDC_RECORDING_MODE).m_hWnd->text.Str();
    for (const int id : {IDC_RECORDING_DIRECTORY, IDC_RECORDING_FILE_NAME, IDC_RECORDING_FILE_SIZE,
                         IDC_RECORDING_DISK_FREE}) {
      shown += " | " + Control(id).m_hWnd->text.Str();
    }
    return shown;
  }
  void Mode(int mode) { page_.UpdateStatus(mode, "", "", 0, 0); }
};

// Before any status: the sync box unchecked (no attribute), both buttons disabled, empty read-only fields.
TEST_F(DataRecordingPage, StartsWithoutSyncOrButtonsAndShowsTheStatusPassedIn) {
  EXPECT_EQ(static_cast<CButton&>(Control(IDC_RECORDING_SYNC)).GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(Buttons(), "");
  EXPECT_TRUE((Control(IDC_RECORDING_MODE).GetStyle() & ES_READONLY) != 0);
  page_.UpdateStatus(5, "", "", 0, 0);  // what the view passes for missing attributes
  EXPECT_EQ(Status(), " |  |  | 0 B | 0 %");
  EXPECT_EQ(Buttons(), "");
  page_.UpdateStatus(1, "/data/survey", "line_0042.s7k", 42, 1572864);
  EXPECT_EQ(Status(), "Recording | /data/survey | line_0042.s7k | 1.5 MB | 42 %");
  page_.UpdateStatus(-1, "/data", "b", 41, 1023);  // a mode without a name keeps the field
  EXPECT_EQ(Status(), "Recording | /data | b | 1023 B | 41 %");
}

// Events in turn: a digit is a reported mode, S a click on the sync box, + on Start, - on Stop; a
// leading y has the device attributes say recording follows the host's logging. Then the buttons
// that take input and the requests sent.
TEST_F(DataRecordingPage, ButtonsFollowTheReportedModeUnlessRecordingIsSynchronised) {
  const Requests start{"ZqDataRecording=int 1"}, stop{"ZqDataRecording=int 0"};
  const Requests syncOn{"SyncDataRecording=bool 1"},
      syncOnOff{"SyncDataRecording=bool 1", "SyncDataRecording=bool 0"};
  const std::tuple<const char*, const char*, Requests> cases[] = {
      {"0", "Start", {}},
      {"1", "Stop", {}},
      {"0 2", "", {}},
      {"1 5", "", {}},
      {"0 1 0", "Start", {}},
      {"y 0", "", {}},
      {"y 1 0 S", "Start", {"SyncDataRecording=bool 0"}},
      {"0 +", "", start},
      {"0 + 0", "", start},
      {"0 + 1", "Stop", start},
      {"1 -", "", stop},
      {"1 S", "", syncOn},
      {"1 S 0", "", syncOn},
      {"1 S 0 S", "Start", syncOnOff},
      {"1 S S", "Stop", syncOnOff},
  };
  for (const auto& [events, buttons, requests] : cases) {
    view_.attributes.Add("SyncDataRecording", COrvBool(events[0] == 'y'));
    KavoDataRecordingPage page(&view_);
    ASSERT_TRUE(page.Create(KavoDataRecordingPage::IDD, &parent_));
    page.ShowWindow(SW_SHOW);
    for (const char* event = events; *event != '\0'; ++event) {
      const int clicked = *event == 'S'   ? IDC_RECORDING_SYNC
                          : *event == '+' ? IDC_RECORDING_START
                                          : IDC_RECORDING_STOP;
      if (*event >= '0' && *event <= '9') {
        page.UpdateStatus(*event - '0', "", "", 0, 0);
      } else if (*event == 'S' || *event == '+' || *event == '-') {
        EXPECT_TRUE(AfxOperatorClick(*page.GetDlgItem(clicked)));
      }
    }
    EXPECT_EQ(ButtonsOf(page), buttons) << events;
    EXPECT_EQ(view_.Take(), requests) << events;
    page.DestroyWindow();
  }
  // The view reloads the sync state from the device: the box follows, the buttons stay.
  Mode(0);
  view_.attributes.Add("SyncDataRecording", COrvBool(true));
  page_.RefreshSync();
  EXPECT_EQ(static_cast<CButton&>(Control(IDC_RECORDING_SYNC)).GetCheck(), BST_CHECKED);
  EXPECT_EQ(Buttons(), "Start");
}

// Values 0 to 3 of item 2701 are named, in any group; the text is left alone for anything else.
TEST(RecordingModeTexts, AreTheSimulatedSonarsStatesInEveryGroup) {
  const std::tuple<unsigned short, unsigned short, int, const char*> cases[] = {
      {78, 2701, 0, "Stopped"},   {40, 2701, 1, "Recording"},
      {78, 2701, 2, "Disk full"}, {78, 2701, 3, "Write error"},
      {78, 2701, 4, "-"},         {78, 2701, -1, "-"},
      {78, 2702, 0, "-"}};
  for (const auto& [group, item, value, expected] : cases) {
    CString text = "-";
    EXPECT_EQ(DataDefinition::GetGroupItemMapTxt(group, item, value, text), std::string(expected) != "-");
    EXPECT_EQ(text.Str(), expected) << value;
  }
}

// 1023.999 KB takes the next unit rather than print as 1024.0 KB; TB is the largest unit.
TEST(FormatByteSize, CountsBytesThenBinaryUnitsWithOneDecimal) {
  const std::tuple<std::uint64_t, const char*> cases[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.0 KB"},
      {1536, "1.5 KB"},
      {1048575, "1.0 MB"},
      {1572864, "1.5 MB"},
      {2147483648, "2.0 GB"},
      {1099511627776, "1.0 TB"},
      {1125899906842624, "1024.0 TB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatByteSize(bytes).Str(), text) << bytes;
}

}  // namespace
