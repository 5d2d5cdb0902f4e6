// The system messages view opened as the host opens it, fed whole records as the sonars send them:
// board names from the configuration, BITE results on the system and BITE pages, events, the
// configuration request sent to the sonar's device, and records that promise more than they hold.
#include "views/messages/KavoSystemMessages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/afx/OperatorInput.h"
#include "platform/tavrin/BaseIOHandler.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/DisplayViews.h"
#include "platform/tavrin/VesselManager.h"
#include "tests/platform/zq/ZqTestRecords.h"
#include "tests/tools/HexBytes.h"

namespace {

using zqtest::BiteBoard;
using zqtest::BiteField;
using zqtest::F32;
using zqtest::U16;
using zqtest::U32;
using Lines = std::vector<std::string>;

const CString kVessel = "Survey Vessel";  // the sonar named after the first vessel
const CDataId kVesselDevice(1, 78, 1, 1);
const CDataId kOtherDevice(2, 78, 1, 1);  // every other sonar's device

// A record as a sonar sends it, with its size and checksum, stamped 13:05:07.25 on day 341 of 2026.
std::string FromSonar(std::uint32_t type, const std::string& data) {
  std::string record = U16(5) + U16(60) + U32(0xFFFF) +
                       U32(static_cast<std::uint32_t>(64 + data.size() + 4)) + std::string(8, '\0') +
                       U16(2026) + U16(341) + F32(7.25F) + "\x0d\x05" + U16(1) + U32(type) + U32(7000) +
                       std::string(8, '\0') + U16(1) + std::string(14, '\0') + data;
  std::uint32_t sum = 0;
  for (const char c : record) sum += static_cast<unsigned char>(c);
  return record + U32(sum);
}

std::string WithSize(std::string record, std::uint32_t size) {
  return record.replace(8, 4, U32(size));
}

// A configuration record holding the tables of xml under its root, and the text's length (with its zero).
std::string Configuration(const std::string& xml, std::optional<std::uint32_t> length = {}) {
  const std::string text = "<ZqConfiguration>" + xml + "</ZqConfiguration>";
  return FromSonar(
      7003, U32(1234) + U32(length.value_or(static_cast<std::uint32_t>(text.size() + 1))) + text + '\0');
}

// TX1 (id 36, 200 kHz), RX1 (40) and SYS1 (46), each with its table.
const std::string kBoards =
    R"(<HARDWARE><Device name="TX1" id="36" available="1"><Frequency>200000</Frequency></Device>)"
    R"(<Device name="RX1" id="40" available="1"/><Device name="SYS1" id="46" available="1"/></HARDWARE>)"
    "<TX1/><RX1/><SYS1/>";

std::string Bite(std::uint16_t count, const std::string& boards) {
  return FromSonar(7021, U16(count) + boards);
}

std::string Event(std::uint16_t type, std::string_view text) {
  return FromSonar(7051, U32(1) + std::string(4, '\0') + U16(type) +
                             U16(static_cast<std::uint16_t>(text.size() + 1)) + std::string(2, '\0') +
                             std::string(text) + '\0');
}

std::string StoredEvents(std::uint32_t count, const std::string& entries) {
  return FromSonar(7050, std::string(8, '\0') + U32(count) + entries);
}

std::string Stored(std::uint16_t type, std::string_view text) {
  return zqtest::StoredEvent(type, 1, std::string(text) + '\0', static_cast<std::uint16_t>(text.size() + 1));
}

// A list's rows, each as "image/data cell | cell ...".
Lines Rows(CListCtrl& list) {
  Lines rows;
  for (const AfxListRow& row : list.m_hWnd->rows) {
    std::string text = std::to_string(row.image) + "/" + std::to_string(row.data);
    for (std::size_t c = 0; c < row.cells.size(); ++c) text += (c == 0 ? " " : " | ") + row.cells[c].Str();
    rows.push_back(text);
  }
  return rows;
}

// A sonar device's port: keeps the hex of each record sent, time stamp masked.
struct KeptPort : BaseIOHandler {
  bool Send(const CString& record) override {
    sent.push_back(Hex(record.View()).replace(40, 20, 20, 't'));
    return true;
  }
  Lines sent;
};

class SystemMessages : public ::testing::Test {
 protected:
  SystemMessages() {
    VesselManager::GetVesselManager().AddVessel(1, kVessel);
    VesselManager::GetVesselManager().AddVessel(2, "Launch");
    for (const auto& [id, port] :
         {std::pair(kVesselDevice, &vesselPort_), std::pair(kOtherDevice, &otherPort_)}) {
      auto device = std::make_unique<Device>();
      device->SetDataId(id);
      device->SetPortPtr(port);
      DataManager::GetDataManager().AddDevice(std::move(device));
    }
    Open();
  }
  ~SystemMessages() override {
    document_->OnCloseDocument();
    for (const CDataId& id : {kVesselDevice, kOtherDevice}) DataManager::GetDataManager().RemoveDevice(id);
    VesselManager::GetVesselManager().Clear();
  }

  void Open() {
    document_ = template_.OpenDisplay({});
    view_ = static_cast<KavoSystemMessages*>(document_->GetViews().front());
  }
  void Reopen() {
    document_->OnCloseDocument();
    Open();
    vesselPort_.sent.clear();
    otherPort_.sent.clear();
  }
  void Deliver(const std::string& record, const CString& sonar = kVessel) {
    view_->DeliverRecord(sonar, sonar == kVessel ? kVesselDevice : kOtherDevice,
                         std::as_bytes(std::span(record)));
  }
  Lines SystemRows() { return Rows(view_->GetMainPage()->GetListCtrl()); }
  Lines EventRows() { return Rows(view_->GetEventPage()->GetListCtrl()); }
  Lines BiteLines() { return Rows(view_->GetBITEPage()->GetListCtrl()); }
  std::string BiteText(int id) const {
    CString text;
    view_->GetBITEPage()->GetDlgItem(id)->GetWindowText(text);
    return text.Str();
  }
  CWnd& Control(int id) const { return *view_->GetDlgItem(id); }

  ORVMultiDocTemplateAttr1 template_{RUNTIME_CLASS(CDisplayDocAttr1), RUNTIME_CLASS(CDisplayFrmAttr1),
                                     RUNTIME_CLASS(KavoSystemMessages), RUNTIME_CLASS(CDisplayDockFrmAttr1)};
  KeptPort vesselPort_;
  KeptPort otherPort_;
  CDisplayDoc* document_ = nullptr;
  KavoSystemMessages* view_ = nullptr;
};

TEST_F(SystemMessages, BoardsAreNamedFromTheConfigurationAndOnlyNamedBoardsCount) {
  // Each configuration reloads the sonar's boards in place; the same results follow each: B36 and B37
  // well, B40 with an uplink error, which is shown and raises the level only while board 40 is named.
  const std::string results =
      Bite(3, BiteBoard("B36", 36, 0, 0) + BiteBoard("B37", 37, 0, 0) + BiteBoard("B40", 40, 1, 0));
  const struct {
    const char* what;
    std::string xml;
    Lines lines;
    const char* level;
  } cases[] = {
      {"the 400 kHz projector reports 396 kHz; a receiver",
       R"(<HARDWARE><Device name="TX2" id="37" available="1" angle="0"><Frequency>396000</Frequency></Device>)"
       R"(<Device name="RX1" id="40" available="1"/></HARDWARE><TX2/><RX1/>)",
       {"1/1 OK | B37: Projector 2 400 kHz: Uplink OK, Downlink OK, Bite OK",
        "3/3 Error | B40: Receiver 1: Uplink Error, Downlink OK, Bite OK"},
       "3/3"},
      {"a projector at an angle; the receiver gone",
       R"(<HARDWARE><Device name="TX2" id="37" available="1" angle="1"><Frequency>200000</Frequency>)"
       R"(<Frequency>400000</Frequency></Device></HARDWARE><TX2/>)",
       {"1/1 OK | B37: Projector 2 200 kHz 1\u00B0: Uplink OK, Downlink OK, Bite OK"},
       "1/1"},
      {"no frequencies; a receiver without its table",
       R"(<HARDWARE><Device name="TX1" id="36" available="1"/><Device name="RX1" id="40" available="1"/>)"
       "</HARDWARE><TX1/>",
       {"1/1 OK | B36: Projector 1: Uplink OK, Downlink OK, Bite OK"},
       "1/1"},
      {"a name of its own, in a projector slot too; a receiver not available",
       R"(<HARDWARE><Device name="TX1" id="36" available="1" displayName="Wide Projector">)"
       R"(<Frequency>200000</Frequency></Device><Device name="RX1" id="40" available="0"/></HARDWARE><TX1/><RX1/>)",
       {"1/1 OK | B36: Wide Projector: Uplink OK, Downlink OK, Bite OK"},
       "1/1"},
      {"of slots sharing an id the first counts, present or not",
       R"(<HARDWARE><Device name="TX2" id="36" available="1" displayName="First"/>)"
       R"(<Device name="TX3" id="36" available="1" displayName="Second"/><Device name="TX4" id="40" available="0"/>)"
       R"(<Device name="RX1" id="40" available="1"/></HARDWARE><TX2/><TX3/><TX4/><RX1/>)",
       {"1/1 OK | B36: First: Uplink OK, Downlink OK, Bite OK"},
       "1/1"},
  };
  for (const auto& c : cases) {
    Deliver(Configuration(c.xml));
    Deliver(results);
    EXPECT_EQ(BiteLines(), c.lines) << c.what;
    EXPECT_EQ(BiteText(IDC_MBS_BITE_STATUS), c.level == std::string("3/3") ? "Error" : "OK") << c.what;
    EXPECT_EQ(SystemRows(), Lines{c.level + std::string(" Survey Vessel | Survey Vessel")}) << c.what;
  }
}

TEST_F(SystemMessages, UntilItsBoardsAreLoadedASonarIsAskedForItsConfigurationAndItsResultsNotShown) {
  // The single record request (1050) for record type 7003 to head 7000, device enum 0: frame header
  // (time stamp masked), remote-control id and ticket, tracking number 0, 8 zero bytes, payload, trailer.
  const std::string request = Fields(
      "0500 3c00 ffff0000 60000000 0000000000000000 tttttttttttttttttttt 0100 4c1d0000 581b0000 0000 0000 "
      "00000000 0100 0000000000000000000000000000 1a040000 1a040000 0000000000000000 0000000000000000 "
      "5b1b0000 00000000");
  const std::string results = Bite(1, BiteBoard("TX1 board", 36, 1, 0));
  // Records from the vessel's sonar, then the results from sonar, and the requests each device was sent.
  const struct {
    const char* what;
    Lines first;
    CString sonar;
    std::size_t asked;
    std::size_t askedOther;
    bool shown;
  } cases[] = {
      {"results first: asked as the sonar appears and for the results", {}, kVessel, 2, 0, false},
      {"a configuration without text", {Configuration(kBoards, 0)}, kVessel, 1, 0, false},
      {"a configuration without a hardware table", {Configuration("<TX1/>")}, kVessel, 1, 0, false},
      {"an event first", {Event(1, "Pinging started"), Configuration(kBoards)}, kVessel, 1, 0, true},
      {"a sonar whose name differs in case only", {Configuration(kBoards)}, "survey vessel", 0, 2, false},
  };
  for (const auto& c : cases) {
    Reopen();
    for (const std::string& record : c.first) Deliver(record);
    Deliver(results, c.sonar);
    EXPECT_EQ(vesselPort_.sent, Lines(c.asked, request)) << c.what;
    EXPECT_EQ(otherPort_.sent, Lines(c.askedOther, request)) << c.what;
    EXPECT_EQ(BiteText(IDC_MBS_BITE_TIME), c.shown ? "13:05:07.250" : "") << c.what;
    EXPECT_EQ(BiteLines().size(), c.shown ? 1U : 0U) << c.what;
    EXPECT_EQ(SystemRows().size(), c.shown ? 1U : 0U) << c.what;
  }
}

TEST_F(SystemMessages, BiteResultsShowEachBoardAndValueAgainstItsLimitsAndTheSwitchLeavesTheErrors) {
  Deliver(Configuration(kBoards));
  Deliver(Bite(3, BiteBoard("TX1 board", 36, 0, 4) + BiteField("Uptime", 1, 0, 0, 12.345F) +
                      BiteField("Voltage", 2, 0, 10, 10) + BiteField("Current", 2, 0, 10, 10.001F) +
                      BiteField("Temperature", 2, 0, 60, std::numeric_limits<float>::quiet_NaN()) +
                      BiteBoard("RX1 board", 40, 0, 0) + BiteBoard("SYS1 board", 46, 2, 1) +
                      BiteField("Fan", 2, 0, 1, 5)));  // board 46 carries no values: not shown
  const Lines errors = {
      "3/3 Error | TX1 board: Projector 1 200 kHz: Current: 10.00 (min:0.00 max:10.00)",
      "3/3 Error | TX1 board: Projector 1 200 kHz: Temperature: nan (min:0.00 max:60.00)",
      "3/3 Error | SYS1 board: System 1: Uplink OK, Downlink Error, Bite OK",
  };
  EXPECT_EQ(BiteLines(),
            (Lines{"1/1 OK | TX1 board: Projector 1 200 kHz: Uplink OK, Downlink OK, Bite OK",
                   "1/1 OK | TX1 board: Projector 1 200 kHz: Uptime: 12.35",
                   "1/1 OK | TX1 board: Projector 1 200 kHz: Voltage: 10.00 (min:0.00 max:10.00)", errors[0],
                   errors[1], "1/1 OK | RX1 board: Receiver 1: Uplink OK, Downlink OK, Bite OK", errors[2]}));
  EXPECT_EQ(BiteText(IDC_MBS_BITE_TIME), "13:05:07.250");
  EXPECT_EQ(BiteText(IDC_MBS_BITE_STATUS), "Error");
  EXPECT_EQ(SystemRows(), Lines{"3/3 Survey Vessel | Survey Vessel"});
  // The operator asks for errors only: the latest results are shown again.
  ASSERT_TRUE(AfxOperatorSelectTab(Control(IDC_MBS_PAGE_TABS), 1));
  ASSERT_TRUE(AfxOperatorClick(*view_->GetBITEPage()->GetDlgItem(IDC_MBS_BITE_ERRORS_ONLY)));
  EXPECT_EQ(BiteLines(), errors);
  // All well again: no line, and both the page and the system row are OK.
  Deliver(Bite(1, BiteBoard("TX1 board", 36, 0, 1) + BiteField("Voltage", 2, 0, 10, 5)));
  EXPECT_EQ(BiteLines(), Lines{});
  EXPECT_EQ(BiteText(IDC_MBS_BITE_STATUS), "OK");
  EXPECT_EQ(SystemRows(), Lines{"1/1 Survey Vessel | Survey Vessel"});
}

TEST_F(SystemMessages, TheSystemPageListsSonarsNamedAfterVesselsSortedAndEventsRaiseTheirLevels) {
  for (const CString& sonar : {kVessel, CString("Launch"), CString("Deep")})
    Deliver(Configuration(kBoards), sonar);
  Deliver(Bite(1, BiteBoard("RX1 board", 40, 4, 0)), "Deep");  // no vessel of that name: no row
  Deliver(Bite(1, BiteBoard("RX1 board", 40, 0, 0)));
  Deliver(Event(5, "Gain 90 clamped to 83"), "Launch");  // first seen through an event: its level
  EXPECT_EQ(SystemRows(), (Lines{"2/2 Launch | Launch", "1/1 Survey Vessel | Survey Vessel"}));
  // The vessel's sonar's events: its row's level afterwards, and the event page's new top row.
  const struct {
    std::uint16_t type;
    const char* text;
    const char* level;
    const char* shown;
  } events[] = {
      {2, "WARNING: BITE TX1", "1/1", "2/2 13:05:07.250 | Warning | WARNING: BITE TX1"},
      {4, "Recording started", "1/1", "1/4 13:05:07.250 | Information | Recording started"},
      {5, "Range clamped", "2/2", "2/5 13:05:07.250 | Warning | Range clamped"},
      {4, "Pinging started", "2/2", "1/4 13:05:07.250 | Information | Pinging started"},
      {2, "WARNING: BITE RX1", "2/2", "2/2 13:05:07.250 | Warning | WARNING: BITE RX1"},
      {3, "Recording failed", "3/3", "3/3 13:05:07.250 | Error | Recording failed"},
      {1, "Pinging stopped", "3/3", "1/1 13:05:07.250 | Information | Pinging stopped"},
  };
  for (const auto& e : events) {
    Deliver(Event(e.type, e.text));
    EXPECT_EQ(SystemRows().at(1), e.level + std::string(" Survey Vessel | Survey Vessel")) << e.text;
    EXPECT_EQ(EventRows().at(0), e.shown);
  }
  // Results all well bring the row back to OK; any type from 6 up is an error.
  Deliver(Bite(1, BiteBoard("RX1 board", 40, 0, 0)));
  EXPECT_EQ(SystemRows().at(1), "1/1 Survey Vessel | Survey Vessel");
  Deliver(Event(65535, "Sonar restarted"));
  EXPECT_EQ(SystemRows().at(1), "3/3 Survey Vessel | Survey Vessel");
  EXPECT_EQ(EventRows().at(0), "3/65535 13:05:07.250 | Error | Sonar restarted");
  EXPECT_EQ(EventRows().size(), 8U);  // the other sonars' events are not the selected one's
  // Records shown anew on the other pages were counted as they came: the levels stay.
  Deliver(Bite(1, BiteBoard("RX1 board", 40, 0, 0)));
  ASSERT_TRUE(AfxOperatorClick(*view_->GetEventPage()->GetDlgItem(IDC_MBS_EVENT_ERRORS_ONLY)));
  EXPECT_EQ(SystemRows().at(1), "1/1 Survey Vessel | Survey Vessel");
  Deliver(Event(5, "Range clamped"));
  ASSERT_TRUE(AfxOperatorSelectTab(Control(IDC_MBS_PAGE_TABS), 1));
  ASSERT_TRUE(AfxOperatorClick(*view_->GetBITEPage()->GetDlgItem(IDC_MBS_BITE_ERRORS_ONLY)));
  EXPECT_EQ(SystemRows().at(1), "2/2 Survey Vessel | Survey Vessel");
}

TEST_F(SystemMessages, StoredEventsAreTakenOncePerPageResetAndTheSwitchShowsErrorsOnly) {
  const Lines first = {"3/3 13:05:07.250 | Error | Recording failed",
                       "1/1 13:05:07.250 | Information | Pinging started"};
  Deliver(StoredEvents(2, Stored(1, "Pinging started") + Stored(3, "Recording failed")));
  EXPECT_EQ(EventRows(), first);
  Deliver(StoredEvents(2, Stored(6, "Sonar restarted") + Stored(0, "Survey started")));
  EXPECT_EQ(EventRows(), first);
  Deliver(Event(2, "Range clamped"));
  const Lines latest = {"2/2 13:05:07.250 | Warning | Range clamped",
                        "1/0 13:05:07.250 | Information | Survey started",
                        "3/6 13:05:07.250 | Error | Sonar restarted"};
  EXPECT_EQ(EventRows().at(0), latest[0]);
  // Choosing another multibeam resets the page to its events; choosing the first again shows its
  // latest stored events and the event since.
  Deliver(StoredEvents(1, Stored(4, "Launch ready")), "Launch");
  ASSERT_TRUE(AfxOperatorSelect(Control(IDC_MBS_MULTIBEAM), 1));
  EXPECT_EQ(EventRows(), Lines{"1/4 13:05:07.250 | Information | Launch ready"});
  ASSERT_TRUE(AfxOperatorSelect(Control(IDC_MBS_MULTIBEAM), 0));
  EXPECT_EQ(EventRows(), latest);
  ASSERT_TRUE(AfxOperatorClick(*view_->GetEventPage()->GetDlgItem(IDC_MBS_EVENT_ERRORS_ONLY)));
  EXPECT_EQ(EventRows(), Lines{latest[2]});
  Deliver(Event(5, "Gain clamped"));
  Deliver(Event(7, "Transmitter fault"));
  EXPECT_EQ(EventRows(), (Lines{"3/7 13:05:07.250 | Error | Transmitter fault", latest[2]}));
}

// Each record alone, after the configuration, in a view of its own: shown as far as it is whole.
TEST_F(SystemMessages, RecordsThatPromiseMoreThanTheyHoldAreShownAsFarAsTheyGo) {
  const std::string tx1 = BiteBoard("TX1 board", 36, 0, 0);
  const std::string summary = "1/1 OK | TX1 board: Projector 1 200 kHz: Uplink OK, Downlink OK, Bite OK";
  const std::string longText(64, 'B');
  const char* const time = "13:05:07.250";
  const struct {
    const char* what;
    std::string record;
    Lines lines;
    const char* time;
    Lines events;
  } cases[] = {
      {"more boards promised than held", Bite(3, tx1), {summary}, time, {}},
      {"more fields promised than held",
       Bite(1, BiteBoard("TX1 board", 36, 0, 2) + BiteField("Voltage", 2, 0, 10, 5)),
       {summary, "1/1 OK | TX1 board: Projector 1 200 kHz: Voltage: 5.00 (min:0.00 max:10.00)"},
       time,
       {}},
      {"a board text and a field name that fill their bytes",
       Bite(1, BiteBoard(longText, 36, 0, 1) + BiteField(longText, 1, 0, 0, 1)),
       {"1/1 OK | " + longText + ": Projector 1 200 kHz: Uplink OK, Downlink OK, Bite OK",
        "1/1 OK | " + longText + ": Projector 1 200 kHz: " + longText + ": 1.00"},
       time,
       {}},
      {"a board cut short", Bite(1, tx1.substr(0, 100)), {}, time, {}},
      {"a size below what was delivered: read as far as it says", WithSize(Bite(1, tx1), 68), {}, time, {}},
      {"a size beyond what was delivered", WithSize(Bite(1, tx1), 64 + 2 + 136 + 4 + 1), {}, "", {}},
      {"a size below a frame header and trailer", WithSize(Bite(1, tx1), 67), {}, "", {}},
      {"a frame header cut short", Bite(1, tx1).substr(0, 40), {}, "", {}},
      {"more stored events promised than held, the last text past the end",
       StoredEvents(5, Stored(1, "Pinging started") + zqtest::StoredEvent(3, 2, "Hot", 60000)),
       {},
       "",
       {"3/3 13:05:07.250 | Error | Hot", "1/1 13:05:07.250 | Information | Pinging started"}},
      {"stored events without a whole entry", StoredEvents(1, "short"), {}, "", {}},
      {"an event text without its zero",
       FromSonar(7051, U32(1) + std::string(4, '\0') + U16(3) + U16(99) + std::string(2, '\0') + "Overheat"),
       {},
       "",
       {"3/3 13:05:07.250 | Error | Overheat"}},
      {"an event cut before its text", FromSonar(7051, U32(1) + std::string(4, '\0') + U16(3)), {}, "", {}},
  };
  for (const auto& c : cases) {
    Reopen();
    Deliver(Configuration(kBoards));
    Deliver(c.record);
    EXPECT_EQ(BiteLines(), c.lines) << c.what;
    EXPECT_EQ(BiteText(IDC_MBS_BITE_TIME), c.time) << c.what;
    EXPECT_EQ(EventRows(), c.events) << c.what;
  }
}

}  // namespace
