// A simulated head driven as the server drives it: records from the host built by hand, the records
// it sends read back at their documented offsets.
#include "sim/SimHead.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <tuple>

#include "tests/platform/zq/ZqTestRecords.h"
#include "tests/tools/ScratchFolder.h"

namespace {

using zqtest::F32;
using zqtest::U32;
std::string Rc(std::uint32_t id, const std::string& payload = {}) {
  return HostControl(id, payload);
}

// The events (7051) among records, as "type: text".
std::vector<std::string> EventsIn(const std::vector<std::string>& records) {
  std::vector<std::string> events;
  for (const std::string& record : records) {
    if (TypeOf(record) == 7051)
      events.push_back(std::to_string(*le::ByteReader(record).U16(72)) + ": " + (record.c_str() + 78));
  }
  return events;
}

struct SimHeadTest : ::testing::Test {
  void Send(const std::string& record, double now = 0.0) { head.Apply(zqtest::Bytes(record), now, out); }
  // One whole ping from `now`; returns its settings record.
  std::string Ping(double now) {
    std::vector<std::string> records;
    head.FinishPing(head.StartPing(now), records);
    return records.at(0);
  }

  // Recording: 1207 with `directory` (unless empty), then 1200 with `fileName`.
  void StartRecording(const std::string& directory, const std::string& fileName,
                      SimHead* recorder = nullptr) {
    SimHead& target = recorder ? *recorder : head;
    if (!directory.empty())
      target.Apply(zqtest::Bytes(Rc(1207, directory + std::string(256 - directory.size(), '\0'))), 0.0, out);
    target.Apply(zqtest::Bytes(Rc(1200, std::string(4, '\0') + fileName + std::string(256, '\0'))), 0.0, out);
  }

  ScratchFolder folder{"sim-head-test"};
  SimHead head{SimModel::Shallow(), 0, 7000, "test", folder.path};
  std::vector<std::string> out;
};

TEST_F(SimHeadTest, ValuesOutsideTheModelsLimitsAreClampedOrFallBackWithAWarning) {
  SimHead deep(SimModel::Deep(), 0, 7000, "deep", folder.path);
  const struct {
    SimHead& head;
    std::string record;
    std::string warning;  // type 2
  } cases[] = {
      {head, Rc(1003, F32(900.0F)), "Range 900.0 clamped to 500.0"},
      {head, Rc(1005, F32(300.0F)), "Power 300.0 clamped to 220.0"},
      {head, Rc(1006, F32(0.01F)), "Pulse length 0.01 clamped to 0.0005"},
      {head, Rc(1026, F32(100000.0F)), "Frequency 100000.0 clamped to 180000.0"},
      {head, Rc(1004, F32(80.0F)), "Maximum ping rate 80.0 clamped to 50.0"},
      {head, HostRecord(7612, F32(-3.0F)), "Spreading loss -3.0 clamped to 0.0"},
      {head, Rc(1003, F32(std::numeric_limits<float>::quiet_NaN())), "Range nan ignored"},
      // The deep model's setting set has no fixed gain, no FM pulse and no horizontal steering.
      {deep, Rc(1017, U32(2)), "Gain mode 2 clamped to 0"},
      {deep, Rc(1007, U32(1)), "Pulse type 1 clamped to 0"},
      {deep, Rc(1021, F32(0.0F) + F32(0.1F)), "Horizontal steering 5.729578 clamped to 0.0"},
      {deep, Rc(1003, F32(20000.0F)), "Range 20000.0 clamped to 11000.0"},
  };
  for (const auto& c : cases) {
    out.clear();
    c.head.Apply(zqtest::Bytes(c.record), 0.0, out);
    EXPECT_EQ(EventsIn(out), std::vector<std::string>{"2: " + c.warning});
  }
  const std::string ping = Ping(0.0);  // the reader only looks at it
  const le::ByteReader settings(ping);
  EXPECT_EQ(settings.F32(76), 500.0F);     // range
  EXPECT_EQ(settings.F32(80), 220.0F);     // power
  EXPECT_EQ(settings.F32(72), 180000.0F);  // frequency
  EXPECT_EQ(settings.F32(96), 50.0F);      // maximum ping rate
  EXPECT_EQ(deep.Settings().flags & zqwire::ZqPingSettings::kFmPulse, 0u);
}

TEST_F(SimHeadTest, ValuesWithinLimitsAreTakenSilently) {
  Send(Rc(1003, F32(120.0F)));
  Send(Rc(1017, U32(2)));  // fixed gain
  Send(Rc(1008, F32(35.0F)));
  Send(Rc(1007, U32(1)));  // FM
  // 25 degrees vertical, within the X limits, and -5 horizontal, within the Z limits.
  Send(Rc(1021, F32(0.43633232F) + F32(-0.08726646F)));
  Send(Rc(1022, F32(0.0349F) + F32(0.0175F)));  // about 2 and 1 degrees
  EXPECT_TRUE(out.empty());
  const auto settings = head.Settings();
  EXPECT_EQ(std::tie(settings.rangeM, settings.gainMode, settings.gainDb),
            std::make_tuple(120.0F, 2u, 35.0F));
  EXPECT_TRUE(settings.flags & zqwire::ZqPingSettings::kFmPulse);
  EXPECT_FLOAT_EQ(settings.verticalSteeringRad, 0.43633232F);
  EXPECT_FLOAT_EQ(settings.horizontalSteeringRad, -0.08726646F);
  EXPECT_FLOAT_EQ(settings.beamWidthXRad, 0.034906585F);  // 2 degrees, from the list
}

TEST_F(SimHeadTest, ShortOrTruncatedRecordsChangeNothing) {
  Send(Rc(1003, std::string(2, '\x01')));
  Send(Rc(1021, F32(0.1F)));                  // one of two angles
  Send(Rc(1200, std::string(100, '\0')));     // start recording needs 260 bytes
  Send(Rc(7610, std::string(6, '\x01')));     // sound velocity needs 10
  Send(HostRecord(7611, ""));                 // no value
  Send(Rc(1003, F32(120.0F)).substr(0, 80));  // shorter than a remote-control header
  head.Apply({}, 0.0, out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(head.Settings().rangeM, 50.0F);
  EXPECT_EQ(head.Settings().recordingMode, 0u);
}

TEST_F(SimHeadTest, EachSettingSetHasItsDeviceEnumFrequencyAndSettings) {
  Send(Rc(1003, F32(120.0F)));
  Send(Rc(1011, U32(1)));
  const std::string ping = Ping(0.0);  // the reader only looks at it
  const le::ByteReader settings(ping);
  EXPECT_EQ(settings.U16(42), 1);  // header device enum
  EXPECT_EQ(settings.U16(68), 1);  // setting set in use
  EXPECT_EQ(settings.F32(72), 400000.0F);
  EXPECT_EQ(settings.F32(76), 25.0F);  // the 400 kHz set's own range
  Send(Rc(1011, U32(5)));              // no such set
  EXPECT_EQ(head.CurrentDeviceEnum(), 1);
  Send(Rc(1011, U32(0)));
  EXPECT_EQ(head.Settings().rangeM, 120.0F);
  ASSERT_EQ(EventsIn(out).size(), 3u);
  EXPECT_EQ(EventsIn(out)[0], "1: Setting set switched to device enum 1 (400 kHz)");
  EXPECT_EQ(EventsIn(out)[1].substr(0, 3), "2: ");
}

TEST_F(SimHeadTest, FreeRunningPeriodIsTheLongerOfRateAndTravelTime) {
  // Factory settings: 10 pings/s, 50 m at 1500 m/s, so 1/15 s of listening per ping.
  ASSERT_EQ(head.NextPingStart(100.0), 100.0);
  const PingTiming first = head.StartPing(100.0);
  EXPECT_EQ(std::tie(first.pingNumber, first.trigger), std::make_tuple(1u, "free"));
  EXPECT_DOUBLE_EQ(first.end, 100.0 + 100.0 / 1500.0);
  EXPECT_FALSE(head.NextPingStart(100.01));  // in progress
  head.FinishPing(first, out);
  EXPECT_DOUBLE_EQ(*head.NextPingStart(100.07), 100.1);

  Send(Rc(1003, F32(300.0F)));  // 0.4 s two-way, longer than 0.1 s
  const PingTiming second = head.StartPing(100.1);
  EXPECT_DOUBLE_EQ(second.end, 100.5);
  head.FinishPing(second, out);
  EXPECT_DOUBLE_EQ(*head.NextPingStart(100.5), 100.5);
  EXPECT_DOUBLE_EQ(*head.NextPingStart(103.0), 103.0);  // late: at once
}

TEST_F(SimHeadTest, WithoutARateOnePingPerTriggerAndWithPingOffNone) {
  Send(Rc(1004, F32(0.0F)));
  EXPECT_FALSE(head.NextPingStart(5.0));
  Send(Rc(1107), 5.0);
  EXPECT_EQ(head.NextPingStart(5.5), 5.0);
  const PingTiming ping = head.StartPing(5.5);
  EXPECT_EQ(ping.trigger, "1107");
  Send(Rc(1107), 5.52);  // while the ping listens: the head is not ready, the trigger is lost
  head.FinishPing(ping, out);
  EXPECT_FALSE(head.NextPingStart(5.6));
  Send(Rc(1107), 5.7);
  Send(Rc(1107), 5.71);  // one pending trigger absorbs the next
  head.FinishPing(head.StartPing(5.7), out);
  EXPECT_FALSE(head.NextPingStart(6.0));

  Send(Rc(1004, F32(10.0F)));
  Send(Rc(1101));
  EXPECT_FALSE(head.NextPingStart(7.0));
  EXPECT_EQ(le::ByteReader(Ping(7.0)).U16(70).value() & zqwire::ZqPingSettings::kPinging, 0u);
  Send(Rc(1100));
  EXPECT_TRUE(head.NextPingStart(8.0));
  EXPECT_EQ(EventsIn(out), (std::vector<std::string>{"1: Pinging stopped", "1: Pinging started"}));
}

TEST_F(SimHeadTest, SoundVelocityOverrideSetsTheTravelTime) {
  std::string payload = std::string("\x01\x00", 2) + F32(1000.0F) + std::string(4, '\0');
  Send(Rc(7610, payload));
  ASSERT_EQ(EventsIn(out), std::vector<std::string>{"2: Sound velocity 1000.0 clamped to 1400.0"});
  EXPECT_DOUBLE_EQ(head.StartPing(0.0).end, 100.0 / 1400.0);
  head.FinishPing({}, out);
  payload[0] = '\0';  // no override: the head's own 1500 m/s
  Send(Rc(7610, payload));
  EXPECT_DOUBLE_EQ(head.StartPing(1.0).end, 1.0 + 100.0 / 1500.0);
}

TEST_F(SimHeadTest, RecordingWritesTheRecordedTypesWholeReportsTheFileAndStops) {
  StartRecording("survey/day", "line_001");
  const std::filesystem::path file = folder.path / "survey/day/line_001";
  // No record types named: the ping settings are recorded, byte for byte as sent.
  const std::string first = Ping(0.0);
  const std::string second = Ping(1.0);
  EXPECT_EQ(ReadText(file), first + second);
  const le::ByteReader a(first);
  const le::ByteReader b(second);
  EXPECT_EQ(std::make_tuple(*a.U32(128), *a.U16(70) & zqwire::ZqPingSettings::kRecording),
            std::make_tuple(1u, 8));
  EXPECT_EQ(std::string(first.c_str() + 144) + " " + (first.c_str() + 400), "survey/day line_001");
  EXPECT_EQ(b.U64(136), 660u);  // the file as it was when the record was made
  const auto disk = std::filesystem::space(folder.path);
  EXPECT_NEAR(static_cast<double>(*b.U32(132)), 100.0 * disk.available / disk.capacity, 1.0);

  // Only the types named now: a warning event goes in, a ping's settings no more.
  Send(Rc(1209, std::string("\0\0\x01\0\x01\0", 6) + U32(7051) + std::string(508, '\0')));
  out.clear();
  Send(Rc(1003, F32(900.0F)));
  Ping(2.0);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(ReadText(file), first + second + out[0]);

  const std::uintmax_t recorded = std::filesystem::file_size(file);
  out.clear();
  Send(Rc(1201));
  Send(Rc(1003, F32(950.0F)));  // a warning after stopping: not recorded
  EXPECT_EQ(std::filesystem::file_size(file), recorded);
  EXPECT_EQ(head.Settings().recordingMode, 0u);
  EXPECT_EQ(EventsIn(out).at(0),
            "1: Recording stopped: " + file.string() + ", " + std::to_string(recorded) + " bytes");
  Send(Rc(1200, std::string(260, '\0')));  // a made-up name, in the same directory
  EXPECT_NE(head.Settings().fileName, "line_001");
  EXPECT_TRUE(std::filesystem::exists(folder.path / "survey/day" / head.Settings().fileName));
}

TEST_F(SimHeadTest, AFolderThatCannotBeWrittenStopsRecordingWithAnErrorEvent) {
  std::filesystem::create_directory(folder / "locked");
  std::filesystem::permissions(folder / "locked",
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  std::ofstream(folder / "plain") << "a file, not a folder";
  const struct {
    std::filesystem::path recordFolder;
    std::string directory;
    std::string fileName;
    std::uint32_t state;
    std::string path;  // the file the event names
    std::string reason;
    bool permissions;  // a case that root's permissions make pass
  } cases[] = {
      {folder.path, "locked/in", "a.zq", 3, (folder / "locked/in/a.zq").string(), "Permission denied", true},
      {folder.path, "plain/in", "b.zq", 3, (folder / "plain/in/b.zq").string(), "Not a directory", false},
      // A device that is always full: the first record does not fit.
      {"/dev", "", "full", 2, "/dev/full", "No space left on device", false},
  };
  for (const auto& c : cases) {
    if (c.permissions && ::geteuid() == 0) continue;
    SimHead recorder(SimModel::Shallow(), 0, 7000, "test", c.recordFolder);
    out.clear();
    StartRecording(c.directory, c.fileName, &recorder);
    recorder.FinishPing(recorder.StartPing(0.0), out);
    EXPECT_EQ(recorder.Settings().recordingMode, c.state) << c.path;
    const auto events = EventsIn(out);
    EXPECT_NE(std::find(events.begin(), events.end(), "3: Recording to " + c.path + " stopped: " + c.reason),
              events.end())
        << c.path;
    recorder.Apply(zqtest::Bytes(Rc(1201)), 0.0, out);
    EXPECT_EQ(recorder.Settings().recordingMode, 0u);
  }
  std::filesystem::permissions(folder / "locked", std::filesystem::perms::owner_all);
}

TEST_F(SimHeadTest, ADirectoryLeavingTheRecordingFolderIsRefusedForTheFolderItself) {
  for (const std::string directory : {"../escape", "survey/../../escape", "/data/zq"}) {
    out.clear();
    StartRecording(directory, "line.zq");
    EXPECT_EQ(EventsIn(out).at(0), "2: Recording directory " + directory +
                                       " refused: it leaves the recording folder, which is used instead");
    EXPECT_EQ(head.Settings().directoryName, directory);  // as set
    Ping(0.0);
    EXPECT_EQ(std::filesystem::file_size(folder / "line.zq"), 660u) << directory;
  }
}

TEST_F(SimHeadTest, AnswersRequestsKeepsRecordsWithoutEffectAndWhenSilentSendsNothing) {
  Send(Rc(1003, F32(900.0F)));  // one stored event
  out.clear();
  for (const std::uint32_t type : {7503u, 7003u, 7050u, 1234u}) Send(Rc(1050, U32(type)));  // 1234: none
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(std::make_tuple(TypeOf(out[0]), out[0].size(), *le::ByteReader(out[0]).U32(36)),
            std::make_tuple(7503u, 660u, 7000u));
  const std::string xml = out[1].c_str() + 72;
  EXPECT_EQ(le::ByteReader(out[1]).U32(68), xml.size() + 1);
  EXPECT_EQ(xml.rfind("<ZqConfiguration>", 0), 0u);
  for (const char* part :
       {R"(<Device name="TX1" id="36" available="1" angle="0" displayName="Projector 200/400">)", "<TX1/>",
        R"(<SettingSet deviceEnum="1" centerFrequency="400000" chirp="1">)",
        R"(<PulseLength min="0.000015" max="0.0005"/>)"}) {
    EXPECT_NE(xml.find(part), std::string::npos) << part;
  }
  // One entry (count at 72; type, number and text length at 76, 78 and 86): event 1, a warning.
  const le::ByteReader events(out[2]);
  EXPECT_EQ(
      std::make_tuple(*events.U64(64), *events.U32(72), *events.U16(76), *events.U32(78), *events.U16(86)),
      std::make_tuple(0u, 1u, 2, 1u, 29));
  EXPECT_STREQ(out[2].c_str() + 98, "Range 900.0 clamped to 500.0");

  out.clear();
  Send(HostRecord(1020, std::string(164, '\x07')));
  Send(Rc(1014, U32(3)));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(head.LastKeptRecord(1020)->size(), 64u + 164u + 4u);
  EXPECT_EQ(head.LastKeptRemoteControl(1014), U32(3));

  head.SetSilent(true);
  Send(Rc(1003, F32(600.0F)));  // a warning
  Send(Rc(1005, F32(200.0F)));
  Send(Rc(1050, U32(7003)));
  head.OnConnect(out);
  head.Bite(out);
  head.FinishPing(head.StartPing(0.0), out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(head.Settings().powerDb, 200.0F);  // still applied
}

TEST_F(SimHeadTest, BoardFaultsShowInTheBiteResults) {
  EXPECT_TRUE(head.SetBoardError("TX1", 3, out));
  EXPECT_TRUE(head.SetFieldOutOfLimits("RX1", "Noise level", true, out));
  out.clear();
  EXPECT_FALSE(head.SetBoardError("TX3", 1, out));
  EXPECT_FALSE(head.SetFieldOutOfLimits("RX1", "Channels failed", true, out));  // no limits
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(head.BoardsInError(), (std::map<std::string, unsigned>{{"TX1", 3}}));
  EXPECT_EQ(head.FieldsOutOfLimits(), std::vector<std::string>{"RX1/Noise level"});
  head.Bite(out);
  ASSERT_EQ(out.size(), 1u);
  const le::ByteReader bite(out[0]);
  ASSERT_EQ(bite.U16(64), 6);
  std::size_t block = 66;
  std::vector<std::string> texts;
  for (int b = 0; b < 6; ++b) {
    const std::uint8_t id = bite.U8(block + 64).value();
    const std::uint16_t fields = bite.U16(block + 102).value();
    EXPECT_EQ(bite.U8(block + 101), id == 36 ? 3 : id == 40 ? 4 : 0) << "board " << int{id};
    texts.emplace_back(out[0].c_str() + block);
    for (std::size_t field = block + 136; field < block + 136 + 79 * fields; field += 79) {
      const std::string name = out[0].c_str() + field + 2;
      if (bite.U8(field + 66) != 2) continue;  // no limits
      const bool outside =
          bite.F32(field + 75) > bite.F32(field + 71) || bite.F32(field + 75) < bite.F32(field + 67);
      EXPECT_EQ(outside, id == 40 && name == "Noise level") << name;
    }
    block += 136 + 79 * fields;
  }
  EXPECT_EQ(block + 4, out[0].size());
  EXPECT_EQ(texts,
            (std::vector<std::string>{"Link module", "Link controller", "Wet-end I/O processor",
                                      "Projector 200/400 kHz", "Receiver 200/400 kHz", "Processing unit"}));
}

// Each switch sends its event at once; switching to what is set already sends none.
TEST_F(SimHeadTest, SwitchingAFaultSendsItsEventAndTheBoardIsOkOnceNothingOfItIsWrong) {
  const struct {
    std::string board, field;  // no field: the board's flags
    unsigned value;            // flags, or 1 out of limits and 0 within
    std::string event;         // "type: text"; empty: none
  } steps[] = {
      {"TX1", "", 1, "2: WARNING: BITE error on board TX1: uplink"},
      {"TX1", "", 1, ""},
      {"TX1", "", 6, "2: WARNING: BITE error on board TX1: downlink, BITE error"},
      {"RX1", "Temperature", 1, "2: WARNING: BITE field RX1/Temperature out of limits"},
      {"RX1", "", 2, "2: WARNING: BITE error on board RX1: downlink"},
      {"RX1", "", 0, "1: BITE error flags of board RX1 cleared"},
      {"RX1", "Noise level", 1, "2: WARNING: BITE field RX1/Noise level out of limits"},
      {"RX1", "Temperature", 0, "1: BITE field RX1/Temperature within limits"},
      {"RX1", "Noise level", 0, "1: BITE board RX1 OK"},
      {"TX1", "", 0, "1: BITE board TX1 OK"},
      {"TX1", "", 0, ""},
  };
  for (const auto& step : steps) {
    out.clear();
    if (step.field.empty()) {
      ASSERT_TRUE(head.SetBoardError(step.board, step.value, out));
    } else {
      ASSERT_TRUE(head.SetFieldOutOfLimits(step.board, step.field, step.value == 1, out));
    }
    EXPECT_EQ(EventsIn(out), step.event.empty() ? std::vector<std::string>{} : std::vector{step.event})
        << "step " << &step - steps;
  }
  EXPECT_TRUE(head.BoardsInError().empty());
  EXPECT_TRUE(head.FieldsOutOfLimits().empty());
}

// An event sent now and a greeting event both join the stored events; the greeting event goes to every
// host that connects, after the configuration and settings, with its number.
TEST_F(SimHeadTest, EventsSentNowAndGreetingEventsAreStoredAndGreetingEventsFollowEachConnection) {
  head.AddGreetingEvent(5, "Heading sensor degraded");
  head.SendEvent(6, "Receiver 2 failed", out);
  EXPECT_EQ(EventsIn(out), std::vector<std::string>{"6: Receiver 2 failed"});
  for (int connection = 0; connection < 2; ++connection) {
    out.clear();
    head.OnConnect(out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(std::make_tuple(TypeOf(out[0]), TypeOf(out[1])), std::make_tuple(7003u, 7503u));
    EXPECT_EQ(EventsIn(out), std::vector<std::string>{"5: Heading sensor degraded"});
    EXPECT_EQ(le::ByteReader(out[2]).U32(64), 1u);  // its number
  }
  out.clear();
  Send(Rc(1050, U32(7050)));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(le::ByteReader(out[0]).U32(72), 2u);  // two stored events
}

}  // namespace
