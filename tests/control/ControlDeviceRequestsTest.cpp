// The control device's requests, through ApplyAttribs as the host calls it: the records each pass sends,
// to the byte, what waits in "Request", and what the device stores of it.
#include <gtest/gtest.h>

#include "tests/control/ControlDeviceFixture.h"

namespace {

class RequestCases : public ControlDeviceTest, public ::testing::WithParamInterface<RequestCase> {};
TEST_P(RequestCases, SendWaitAndStore) {
  Run(GetParam());
}

// What a coverage reset sends for the flexible mode: 45 degrees and 0 in radians, spacing 0.02 as it is.
constexpr std::string_view kDefaultFlex = "db0f493f 00000000 0ad7a33c";
const std::string kAskFor7503 = Rc(1050, "4f1d0000");
const std::string kSearchLimits = "ZqAGSearchMin=d:2 ZqAGSearchMax=d:80";
const std::string kSoundVelocity =
    "ZqSoundVelocity=d:1480 ZqSoundVelocityOverride=b:true ZqSoundVelocityFilter=i:1";

// One row per pass where it fits: {stored, requested, {records sent}, {keys left pending}}.
// clang-format off
const RequestCase kCases[] = {
    // Doubles as f32 (0.1 as its nearest single), steering in radians, 76xx as single-value records, on
    // and off without payload; stored as requested, in attribute units.
    {"GenericValuesGoOutInDispatchOrder",
     {{"", "ZqDataRecording=i:1 ZqPingOnOffState=i:0 ZqBeamSteer=d2:[10,-5] ZqGain=d:30 ZqPower=d:220 "
           "ZqPulseLength=d:0.0005 ZqMaxPingRate=d:5 ZqRange=d:0.1 ZqSpreadingLoss=d:1.5 ZqAbsorption=d:40",
       {SingleValue(7611, "00002042"), SingleValue(7612, "0000c03f"), Rc(1003, "cdcccc3d"),
        Rc(1004, "0000a040"), Rc(1005, "00005c43"), Rc(1006, "6f12033a"), Rc(1008, "0000f041"),
        Rc(1021, "c2b8323e c2b8b2bd"), Rc(1101, ""), Rc(1200, LeHex(0, 260))}}},
     kAsRequested},
    {"SwitchesAreOnForAnyNonZeroAndGoToTheOwnHead",
     {{"", "ZqPingOnOffState=i:0 ZqDataRecording=i:0 ZqSpreadingLoss=d:0",
       {SingleValue(7612, "00000000", 7012, 2), Rc(1101, "", 7012, 2), Rc(1201, "", 7012, 2)}},
      {"", "ZqPingOnOffState=i:7 ZqDataRecording=i:7 ZqSpreadingLoss=d:7",
       {SingleValue(7612, "0000e040", 7012, 2), Rc(1100, "", 7012, 2), Rc(1200, LeHex(0, 260), 7012, 2)}}},
     kAsRequested, 2},
    {"AnUnreadableValueWaitsUntilAWriterReplacesIt",
     {{"ZqRange=d:100", "ZqRange=i:250 ZqPingOnOffState=b:true ZqBeamSteer=d:3 ZqPower=d:220",
       {Rc(1005, "00005c43")}, {"ZqRange", "ZqPingOnOffState", "ZqBeamSteer"}},
      {"", "ZqRange=d:250", {Rc(1003, "00007a43")}, {"ZqPingOnOffState", "ZqBeamSteer"}}},
     "ZqPower=d:220 ZqRange=d:250"},

    // Beam geometry. Modes go out as their low bits and are read from "Request" only.
    {"ModesSendTheirLowBitsAndAreReadFromTheRequestOnly",
     {{"ZqBeamModeSelection=i:2 ZqCoverageMode=i:2 ZqResetCoverage=b:true",
       "ZqBeamModeSelection=d:1 ZqResetCoverage=i:1", {}, {"ZqBeamModeSelection", "ZqResetCoverage"}},
      {"", "ZqBeamModeSelection=i:65537 ZqCoverageMode=i:511", {Rc(1039, "0100"), Rc(1036, "ff")},
       {"ZqResetCoverage"}}},
     "ZqBeamModeSelection=i:65537 ZqCoverageMode=i:511"},
    // 140 degrees cut at the device's upper limit of 50: 120 wide, steered to -10. The limits are never a
    // request's: no operation takes them, so they stay in "Request".
    {"ACoverageResetCutsTheSwathAtTheDevicesLimits",
     {{"ZqMaxCoverage=d:140 GUIMinAngle=d:-80 GUIMaxAngle=d:50",
       "ZqMaxCoverage=d:1000 GUIMinAngle=d:1000 GUIMaxAngle=d:1000 ZqCoverageAngle=d:10 "
       "ZqResetCoverage=b:false", {Rc(1035, "920a0640 c2b832be"), Rc(1038, kDefaultFlex)},
       {"ZqMaxCoverage", "GUIMinAngle", "GUIMaxAngle"}}},
     "ZqCoverageAngle=d:120 ZqRxSteeringAngle=d:-10 ZqFlexSectorCoverage=d:45 ZqFlexSectorSteering=d:0 "
     "ZqFlexOutsideSpacing=d:0.02"},
    // Beam modes 0 and 1 with their limits: the selected mode's reach the top of the map in the pass that
    // selects it, in time for the reset. Mode 1 swings 70 degrees each way, cut at -60: 130 wide, steered 5.
    {"ABeamModeBringsItsLimitsForTheResetInTheSamePass",
     {{R"([{"ZqBeamMode": {"map": {"ZqMaxCoverage": {"double": 120}}}},
           {"ZqBeamMode": {"map": {"ZqMaxCoverage": {"double": 140}, "GUIMinAngle": {"double": -60},
                                   "GUIMaxAngle": {"double": 75}}}}])",
       "ZqResetCoverage=b:true ZqCoverageMode=i:3 ZqBeamModeSelection=i:1",
       {Rc(1039, "0100"), Rc(1035, "1e361140 c2b8b23d"), Rc(1036, "03"), Rc(1038, kDefaultFlex)}}},
     "ZqBeamModeSelection=i:1 ZqMaxCoverage=d:140 GUIMinAngle=d:-60 GUIMaxAngle=d:75 ZqCoverageAngle=d:130 "
     "ZqRxSteeringAngle=d:5 ZqCoverageMode=i:3 ZqFlexSectorCoverage=d:45 ZqFlexSectorSteering=d:0 "
     "ZqFlexOutsideSpacing=d:0.02"},
    {"SectorsTakeMissingAnglesFromTheDeviceAndWaitWhileOneIsNowhere",
     {{"", "ZqCoverageAngle=d:100 ZqFlexSectorCoverage=d:100 ZqFlexSectorSteering=d:-15", {},
       {"ZqCoverageAngle", "ZqFlexSectorCoverage", "ZqFlexSectorSteering"}},
      {"ZqCoverageAngle=d:120 ZqRxSteeringAngle=d:0 ZqFlexOutsideSpacing=d:0.02",
       "ZqFlexOutsideSpacing=i:1",  // unreadable: the device's value
       {Rc(1035, "f366df3f 00000000"), Rc(1038, "f366df3f 920a86be 0ad7a33c")}}},
     "ZqCoverageAngle=d:100 ZqFlexSectorCoverage=d:100 ZqFlexSectorSteering=d:-15"},

    // Gates: each record carries its whole group, the tilt inverted; nothing goes while one is unknown.
    {"GateFlagWordHasOneBitPerFilterSwitchedOn",
     {{"ZqRangeFilterEnabled=b:false ZqDepthFilterEnabled=b:false ZqAdaptiveGateEnabled=b:false "
       "ZqAGDepthFilterEnabled=b:false", "ZqRangeFilterEnabled=b:true", {Rc(1009, "00010000")}},
      {"", "ZqRangeFilterEnabled=b:false ZqDepthFilterEnabled=b:true", {Rc(1009, "00020000")}},
      {"", "ZqDepthFilterEnabled=b:false ZqAdaptiveGateEnabled=b:true", {Rc(1009, "00040000")}},
      {"", "ZqAdaptiveGateEnabled=b:false ZqAGDepthFilterEnabled=b:true", {Rc(1009, "00080000")}}},
     "ZqAGDepthFilterEnabled=b:true"},
    // Truncated toward zero, held to the i32 range, 0 for not a number; stored as requested.
    {"AdaptiveGateWindowIsTruncatedAndHeldToI32",
     {{kSearchLimits, "ZqAGWindowSize=d:-2.5", {Rc(1016, "feffffff 00000040 0000a042")}},
      {"", "ZqAGWindowSize=d:3e9", {Rc(1016, "ffffff7f 00000040 0000a042")}},
      {"", "ZqAGWindowSize=d:-3e9", {Rc(1016, "00000080 00000040 0000a042")}},
      {"", "ZqAGWindowSize=d:NaN", {Rc(1016, "00000000 00000040 0000a042")}},
      {"", "ZqAGWindowSize=d:7.9", {Rc(1016, "07000000 00000040 0000a042")}}},
     "ZqAGWindowSize=d:7.9"},
    {"GatesWaitUntilTheirGroupIsKnownThenGoOutInOrderWithTheTiltInverted",
     {{"ZqMaxDepthGate=d:150 ZqMinDepthGate=d:1.25 ZqMaxRangeGate=d:200 ZqRangeFilterEnabled=b:false "
       "ZqDepthFilterEnabled=b:false ZqAdaptiveGateEnabled=b:false ZqAGDepthFilterEnabled=i:1 " +
       kSearchLimits,
       "ZqMinRangeGate=d:0.1 ZqDepthFilterEnabled=b:true",  // no tilt, no bool
       {}, {"ZqMinRangeGate", "ZqDepthFilterEnabled"}},
      {"", "ZqAGDepthFilterEnabled=b:true ZqAGWindowSize=d:7 ZqDepthGateTilt=d:10",
       {Rc(1010, "cdcccc3d 00004843 0000a03f 00001643 c2b832be"), Rc(1016, "07000000 00000040 0000a042"),
        Rc(1009, "000a0000")}}},
     "ZqMinRangeGate=d:0.1 ZqDepthGateTilt=d:10 ZqAGWindowSize=d:7 ZqDepthFilterEnabled=b:true "
     "ZqAGDepthFilterEnabled=b:true"},

    // The motion sensor's codes as their low 8 bits, the latency unaligned; a value known nowhere (here no
    // orientation, roll or override) keeps its request waiting; the stored ones fill in.
    {"MotionValuesKnownNowhereKeepRequestsWaitingThenStoredOnesFillThemIn",
     {{"ZqMotionSensorFormat=i:2 ZqMotionSensorBaudrate=i:5 ZqMotionSensorParity=i:1 "
       "ZqMotionSensorDataBits=i:8 ZqMotionSensorStopBits=i:1 ZqMotionSensorLatency=d:0.005",
       "ZqMotionSensorBaudrate=i:388 ZqMotionCompensationPitch=b:true ZqSoundVelocity=d:1500", {},
       {"ZqMotionSensorBaudrate", "ZqMotionCompensationPitch", "ZqSoundVelocity"}},
      {"ZqMotionCompensationRoll=b:false ZqSoundVelocityOverride=b:true", "ZqMotionSensorOrientation=i:7",
       {Rc(7610, "0100 0080bb44 00 000000"), Rc(1033, "00 01" + LeHex(0, 10)),
        Rc(1037, "02 84 01 08 01 07 0ad7a33b" + LeHex(0, 21))}}},
     "ZqMotionSensorBaudrate=i:388 ZqMotionSensorOrientation=i:7 ZqMotionCompensationPitch=b:true "
     "ZqSoundVelocity=d:1500"},
    // The flags say what the request carried (1 override on, 2 no sound velocity, 4 filter given); only
    // that is stored.
    {"SoundVelocityOverrideOnly",
     {{kSoundVelocity, "ZqSoundVelocityOverride=b:false", {Rc(7610, "0200 00000000 00 000000")}}},
     kAsRequested},
    {"SoundVelocityFilterWithTheStoredOverride",
     {{kSoundVelocity, "ZqSoundVelocityFilter=i:260", {Rc(7610, "0700 00000000 04 000000")}}}, kAsRequested},
    {"SoundVelocityWithOverrideAndFilter",
     {{kSoundVelocity, "ZqSoundVelocity=d:1492.5 ZqSoundVelocityOverride=b:false ZqSoundVelocityFilter=i:260",
       {Rc(7610, "0400 0090ba44 04 000000")}}}, kAsRequested},

    // Timing signals: a bit for each edge selector that is 0 (defaults PPS 0, trigger input 1, stored too).
    {"PpsEdgeWithTheTriggerInputEdgesDefault",
     {{"", "ZqPpsEdge=i:0", {Rc(1116, "01000000")}}}, "ZqPpsEdge=i:0 ZqTriggerInputEdge=i:1"},
    {"TriggerInputEdgeWithThePpsEdgesDefault",
     {{"", "ZqTriggerInputEdge=i:5", {Rc(1116, "01000000")}}}, "ZqPpsEdge=i:0 ZqTriggerInputEdge=i:5"},
    {"PpsEdgeWithTheStoredTriggerInputEdge",
     {{"ZqTriggerInputEdge=i:0", "ZqPpsEdge=i:2", {Rc(1116, "02000000")}}}, "ZqPpsEdge=i:2"},
    // Seconds as f64 on the wire (a 1 ms pulse and no delay by default), milliseconds stored.
    {"TriggerOutputWithItsDefaults",
     {{"", "ZqTriggerOutput=b:true", {Rc(1115, "01000000 fca9f1d24d62503f 0000000000000000")}}},
     "ZqTriggerOutputDelay=d:0 ZqTriggerOutputPulse=d:1 ZqTriggerOutput=b:true"},
    {"TriggerOutputSwitchedOnAsStored",
     {{"ZqTriggerOutput=b:true ZqTriggerOutputPulse=d:1",
       "ZqTriggerOutputPulse=d:5 ZqTriggerOutputDelay=d:2.5",
       {Rc(1115, "01000000 7b14ae47e17a743f 7b14ae47e17a643f")}}}, kAsRequested},
    // Only switching on is a command; an unreadable value waits until the device's value stands in.
    {"TriggerInputCommandsOnlySwitchingOn",
     {{"", "ZqTriggerInput=i:1", {}, {"ZqTriggerInput"}}, {"ZqTriggerInput=b:true", "", {Rc(1114, "00")}},
      {"", "ZqTriggerInput=b:false", {}}},
     kAsRequested},

    // Transmit and receive: kHz rounded to single before scaling (b7e64046 if not), degrees converted in
    // double (93b00c3b if in single); the other end of the sweep and the other width as stored.
    {"TransmitSettingsInDispatchOrderConverted",
     {{"ZqFMFrequencyStart=d:20 ZqBeamWidthZ=d:0.5",
       "ZqFMFrequencyStop=d:30 ZqCWFrequency=d:12.3456789 ZqBeamWidthX=d:0.123 ZqGainMode=i:-3 "
       "ZqPulseType=i:0",
       {Rc(1007, "00000000"), kAskFor7503, Rc(1017, "fdffffff"), Rc(1022, "92b00c3b 35fa0e3c"),
        Rc(1026, "b8e64046"), Rc(1027, "00409c46 0060ea46")}}},
     "ZqFMFrequencyStop=d:30 ZqCWFrequency=d:12.3456789 ZqBeamWidthX=d:0.123 ZqPulseType=i:0"},
    {"PulseTypeAsksFor7503EvenWhileItsValueWaits",
     {{"", "ZqPulseType=i:1", {Rc(1007, "01000000"), kAskFor7503}},
      {"", "ZqPulseType=d:0", {kAskFor7503}, {"ZqPulseType"}}, {"", "", {kAskFor7503}, {"ZqPulseType"}}},
     "ZqPulseType=i:1"},
    // The gain mode is read from "Request" only; on a change of mode the two stored gains change places.
    {"GainModeUnreadableWaits", {{"ZqGainMode=i:0", "ZqGainMode=d:2", {}, {"ZqGainMode"}}}},
    {"GainModeUnchanged",
     {{"ZqGain=d:10 ZqGainAlt=d:40 ZqGainMode=i:2", "ZqGainMode=i:2", {Rc(1017, "02000000")}}}},
    {"GainModeChangedExchangesTheGains",
     {{"ZqGain=d:10 ZqGainAlt=d:40 ZqGainMode=i:0", "ZqGainMode=i:2", {Rc(1017, "02000000")}}},
     "ZqGain=d:40 ZqGainAlt=d:10 ZqGainMode=i:2"},
    {"GainModeChangedWithoutASecondGain",
     {{"ZqGain=d:10 ZqGainMode=i:0", "ZqGainMode=i:2", {Rc(1017, "02000000")}}}, kAsRequested},
    {"GainModeWithNothingToCompareWith",
     {{"ZqGain=d:10 ZqGainAlt=d:40", "ZqGainMode=i:2", {Rc(1017, "02000000")}}}},

    // System: each remote control waits for its keys (calibration for its trigger, a connect for the
    // address); calibration and mode as their low 16 bits; a factory reset asks for one 7503; a disconnect
    // goes out before a connect; an address given as text goes out as 0 (-1062731510 is 192.168.1.10).
    // Only the mode is stored.
    {"SystemRemoteControlsWaitForTheirKeysThenGoOutInPassOrder",
     {{"ZqSystemMode=i:2", "ZqCalibrationCommand=i:74565 ZqSystemMode=d:3 ZqDualHeadConnect=b:true", {},
       {"ZqCalibrationCommand", "ZqSystemMode", "ZqDualHeadConnect"}},
      {"", "ZqCalibrationControl=b:false ZqCalibrationCommand=d:5 ZqSystemMode=i:65541 "
           "ZqLoadFactoryParameters=i:0 ZqDualHeadDisconnect=b:true ZqDualHeadSlaveIp=i:-1062731510",
       {Rc(1014, "05000000"), Rc(1102, ""), kAskFor7503, Rc(1500, "00000000"),
        Rc(1500, "01000000 0a01a8c0 0000803f" + LeHex(0, 44))},
       {"ZqCalibrationCommand", "ZqCalibrationControl"}},
      {"", "ZqCalibrationCommand=i:74565 ZqDualHeadConnect=b:true ZqDualHeadSlaveIp=t:192.168.1.10",
       {Rc(1002, "4523"), Rc(1500, "01000000 00000000 0000803f" + LeHex(0, 44))}}},
     "ZqSystemMode=i:65541"},
    // The old projector (the stored one, else the device's own head 1) stops and is told the new one,
    // which pings only when pinging is on; a ping request of the same pass goes first. The new one's head
    // is the low 16 bits of its number.
    {"AProjectorChangeStopsTheOldHeadAndStartsTheNewOneOnlyWhenPinging",
     {{"ZqPingOnOffState=i:1", "DeviceEnum=i:0",
       {Rc(1101, "", 7001, 1), Rc(1011, "00000000", 7001, 1), Rc(1100, "", 7000, 0)}},
      {"ZqPingOnOffState=i:2", "DeviceEnum=i:1", {Rc(1101, "", 7000, 0), Rc(1011, "01000000", 7000, 0)}},
      {"", "ZqPingOnOffState=i:1 DeviceEnum=i:0",
       {Rc(1100, "", 7001, 1), Rc(1101, "", 7001, 1), Rc(1011, "00000000", 7001, 1), Rc(1100, "", 7000, 0)}},
      {"", "DeviceEnum=i:65538",
       {Rc(1101, "", 7000, 0), Rc(1011, "02000100", 7000, 0), Rc(1100, "", 7012, 2)}}},
     "DeviceEnum=i:65538 ZqPingOnOffState=i:1", 1},
    // The installation record (1020) reads the second unit first: a value the first unit lacks repeats
    // the second's, one missing from both (and the unit count) is 0. Nothing of it is stored.
    {"TheInstallationRecordReadsTheSecondUnitFirst",
     {{"",
       R"({"ZqMBesXYZInfo": {"map": [{"ZqMBesXYZSonarId": {"int": 7125}}, {"ZqMBesXYZTXUnitID": {"int": 36}},
           {"ZqMBesXYZRXUnitID": {"int": 37}}, {"ZqMBesXYZFixedParams": {"int": -1}},
           {"ZqMBesXYZFrequency": {"double": 400000}},
           {"ZqMBesXYZ": {"map": {"ZqMBesXYZLength": {"double": 0.5}, "ZqMBesXYZWidth": {"double": 0.25},
             "ZqMBesXYZHeight": {"double": 0.125}, "ZqMBesXYZOffsetX": {"double": 1},
             "ZqMBesXYZOffsetY": {"double": -2},
             "ZqMBesXYZOffsetZ": {"double": 3.5}, "ZqMBesXYZOffsetRoll": {"double": 0.1},
             "ZqMBesXYZOffsetPitch": {"double": -0.2}, "ZqMBesXYZOffsetYaw": {"double": 1.5}}}},
           {"ZqMBesXYZ": {"map": {"ZqMBesXYZLength": {"double": 0.75}, "ZqMBesXYZWidth": {"double": 0.3},
             "ZqMBesXYZHeight": {"double": 0.2}, "ZqMBesXYZRadius": {"double": 0.05},
             "ZqMBesXYZOffsetX": {"double": 0},
             "ZqMBesXYZOffsetY": {"double": 1}, "ZqMBesXYZOffsetRoll": {"double": 0},
             "ZqMBesXYZOffsetPitch": {"double": 0}, "ZqMBesXYZOffsetYaw": {"double": -0.5}}}}]}})",
       {Stamped(ExpectedHeader(232, 1020, 7000, 0)) + Fields("d51b0000 24000000 25000000 00000000 ffffffff") +
        Fields("0000003f 0000803e 0000003e cdcc4c3d 0000803f 000000c0 00006040 cdcccc3d cdcc4cbe 0000c03f") +
        Fields("0000403f 9a99993e cdcc4c3e cdcc4c3d 00000000 0000803f 00000000 00000000 00000000 000000bf") +
        "0050c348" + LeHex(0, 64)}}}},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(ControlDevice, RequestCases, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

// Record types as 16-bit numbers in at most 128 slots, all of them stored; a recording directory of 255
// characters is sent, one of 256 (no room for its zero) waits.
TEST_F(ControlDeviceTest, RecordTypesAndTheRecordingDirectory) {
  std::string many = "[72537", slots = "591b0000";  // 7001 + 65536: only the low 16 bits count
  for (int i = 1; i < 130; ++i) many += ",7000";
  many += "]";
  for (int i = 1; i < 128; ++i) slots += "581b0000";
  const std::string longest(255, 'd');
  std::string name;
  for (int i = 0; i < 255; ++i) name += "64";
  Run({"",
       {{"",
         "ZqRDRFilterList=is:[7000,7503,7610]",
         {Rc(1209, "0000 0100 0300 581b0000 4f1d0000 ba1d0000" + LeHex(0, 500))}},
        {"", "ZqRDRFilterList=is:" + many, {Rc(1209, "0000 0100 8000" + slots)}},
        {"", "ZqDirectoryName=t:" + longest + "x", {}, {"ZqDirectoryName"}},
        {"", "ZqDirectoryName=t:" + longest, {Rc(1207, name + "00")}}},
       "ZqRDRFilterList=is:" + many + " ZqDirectoryName=t:" + longest});
}

}  // namespace
