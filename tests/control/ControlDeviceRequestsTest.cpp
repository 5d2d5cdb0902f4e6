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
const std::string kSearchLimits = R"("ZqAGSearchMin": {"double": 2}, "ZqAGSearchMax": {"double": 80})";
const std::string kSoundVelocity =
    R"({"ZqSoundVelocity": {"double": 1480}, "ZqSoundVelocityOverride": {"bool": true}, )"
    R"("ZqSoundVelocityFilter": {"int": 1}})";

const RequestCase kCases[] = {
    // Doubles as f32 (0.1 as its nearest single), steering in radians, 76xx as single-value records, on
    // and off without payload; stored as requested, in attribute units.
    {"GenericValuesGoOutInDispatchOrder",
     {{"",
       R"({"ZqDataRecording": {"int": 1}, "ZqPingOnOffState": {"int": 0}, "ZqBeamSteer": {"double2d": [10, -5]},
           "ZqGain": {"double": 30}, "ZqPulseLength": {"double": 0.0005}, "ZqPower": {"double": 220},
           "ZqMaxPingRate": {"double": 5}, "ZqRange": {"double": 0.1}, "ZqSpreadingLoss": {"double": 1.5},
           "ZqAbsorption": {"double": 40}})",
       {SingleValue(7611, "00002042"), SingleValue(7612, "0000c03f"), Rc(1003, "cdcccc3d"),
        Rc(1004, "0000a040"), Rc(1005, "00005c43"), Rc(1006, "6f12033a"), Rc(1008, "0000f041"),
        Rc(1021, "c2b8323e c2b8b2bd"), Rc(1101, ""), Rc(1200, ZeroHex(260))}}},
     kAsRequested},
    {"SwitchesAreOnForAnyNonZeroAndGoToTheOwnHead",
     {{"",
       R"({"ZqPingOnOffState": {"int": 0}, "ZqDataRecording": {"int": 0}, "ZqSpreadingLoss": {"double": 0}})",
       {SingleValue(7612, "00000000", 7012, 2), Rc(1101, "", 7012, 2), Rc(1201, "", 7012, 2)}},
      {"",
       R"({"ZqPingOnOffState": {"int": 7}, "ZqDataRecording": {"int": 7}, "ZqSpreadingLoss": {"double": 7}})",
       {SingleValue(7612, "0000e040", 7012, 2), Rc(1100, "", 7012, 2), Rc(1200, ZeroHex(260), 7012, 2)}}},
     kAsRequested,
     2},
    {"AnUnreadableValueWaitsUntilAWriterReplacesIt",
     {{R"({"ZqRange": {"double": 100}})",
       R"({"ZqRange": {"int": 250}, "ZqPingOnOffState": {"bool": true}, "ZqBeamSteer": {"double": 3},
           "ZqPower": {"double": 220}})",
       {Rc(1005, "00005c43")},
       {"ZqRange", "ZqPingOnOffState", "ZqBeamSteer"}},
      {"", R"({"ZqRange": {"double": 250}})", {Rc(1003, "00007a43")}, {"ZqPingOnOffState", "ZqBeamSteer"}}},
     R"({"ZqPower": {"double": 220}, "ZqRange": {"double": 250}})"},

    // Beam geometry. Modes go out as their low bits and are read from "Request" only.
    {"ModesSendTheirLowBitsAndAreReadFromTheRequestOnly",
     {{R"({"ZqBeamModeSelection": {"int": 2}, "ZqCoverageMode": {"int": 2}, "ZqResetCoverage": {"bool": true}})",
       R"({"ZqBeamModeSelection": {"double": 1}, "ZqResetCoverage": {"int": 1}})",
       {},
       {"ZqBeamModeSelection", "ZqResetCoverage"}},
      {"",
       R"({"ZqBeamModeSelection": {"int": 65537}, "ZqCoverageMode": {"int": 511}})",
       {Rc(1039, "0100"), Rc(1036, "ff")},
       {"ZqResetCoverage"}}},
     R"({"ZqBeamModeSelection": {"int": 65537}, "ZqCoverageMode": {"int": 511}})"},
    // 140 degrees cut at the device's upper limit of 50: 120 wide, steered to -10. The limits are never a
    // request's: no operation takes them, so they stay in "Request".
    {"ACoverageResetCutsTheSwathAtTheDevicesLimits",
     {{R"({"ZqMaxCoverage": {"double": 140}, "GUIMinAngle": {"double": -80}, "GUIMaxAngle": {"double": 50}})",
       R"({"ZqMaxCoverage": {"double": 1000}, "GUIMinAngle": {"double": 1000}, "GUIMaxAngle": {"double": 1000},
           "ZqCoverageAngle": {"double": 10}, "ZqResetCoverage": {"bool": false}})",
       {Rc(1035, "920a0640 c2b832be"), Rc(1038, kDefaultFlex)},
       {"ZqMaxCoverage", "GUIMinAngle", "GUIMaxAngle"}}},
     R"({"ZqCoverageAngle": {"double": 120}, "ZqRxSteeringAngle": {"double": -10},
         "ZqFlexSectorCoverage": {"double": 45}, "ZqFlexSectorSteering": {"double": 0},
         "ZqFlexOutsideSpacing": {"double": 0.02}})"},
    // Beam modes 0 and 1 with their limits: the selected mode's reach the top of the map in the pass that
    // selects it, in time for the reset. Mode 1 swings 70 degrees each way, cut at -60: 130 wide, steered 5.
    {"ABeamModeBringsItsLimitsForTheResetInTheSamePass",
     {{R"([{"ZqBeamMode": {"map": {"ZqMaxCoverage": {"double": 120}}}},
           {"ZqBeamMode": {"map": {"ZqMaxCoverage": {"double": 140}, "GUIMinAngle": {"double": -60},
                                   "GUIMaxAngle": {"double": 75}}}}])",
       R"({"ZqResetCoverage": {"bool": true}, "ZqCoverageMode": {"int": 3}, "ZqBeamModeSelection": {"int": 1}})",
       {Rc(1039, "0100"), Rc(1035, "1e361140 c2b8b23d"), Rc(1036, "03"), Rc(1038, kDefaultFlex)}}},
     R"({"ZqBeamModeSelection": {"int": 1}, "ZqMaxCoverage": {"double": 140}, "GUIMinAngle": {"double": -60},
         "GUIMaxAngle": {"double": 75}, "ZqCoverageAngle": {"double": 130}, "ZqRxSteeringAngle": {"double": 5},
         "ZqCoverageMode": {"int": 3}, "ZqFlexSectorCoverage": {"double": 45},
         "ZqFlexSectorSteering": {"double": 0}, "ZqFlexOutsideSpacing": {"double": 0.02}})"},
    {"SectorsTakeMissingAnglesFromTheDeviceAndWaitWhileOneIsNowhere",
     {{"",
       R"({"ZqCoverageAngle": {"double": 100}, "ZqFlexSectorCoverage": {"double": 100},
           "ZqFlexSectorSteering": {"double": -15}})",
       {},
       {"ZqCoverageAngle", "ZqFlexSectorCoverage", "ZqFlexSectorSteering"}},
      {R"({"ZqCoverageAngle": {"double": 120}, "ZqRxSteeringAngle": {"double": 0},
           "ZqFlexOutsideSpacing": {"double": 0.02}})",
       R"({"ZqFlexOutsideSpacing": {"int": 1}})",  // unreadable: the device's value
       {Rc(1035, "f366df3f 00000000"), Rc(1038, "f366df3f 920a86be 0ad7a33c")}}},
     R"({"ZqCoverageAngle": {"double": 100}, "ZqFlexSectorCoverage": {"double": 100},
         "ZqFlexSectorSteering": {"double": -15}})"},

    // Gates: each record carries its whole group, the tilt inverted; nothing goes while one is unknown.
    {"GateFlagWordHasOneBitPerFilterSwitchedOn",
     {{R"({"ZqRangeFilterEnabled": {"bool": false}, "ZqDepthFilterEnabled": {"bool": false},
           "ZqAdaptiveGateEnabled": {"bool": false}, "ZqAGDepthFilterEnabled": {"bool": false}})",
       R"({"ZqRangeFilterEnabled": {"bool": true}})",
       {Rc(1009, "00010000")}},
      {"",
       R"({"ZqRangeFilterEnabled": {"bool": false}, "ZqDepthFilterEnabled": {"bool": true}})",
       {Rc(1009, "00020000")}},
      {"",
       R"({"ZqDepthFilterEnabled": {"bool": false}, "ZqAdaptiveGateEnabled": {"bool": true}})",
       {Rc(1009, "00040000")}},
      {"",
       R"({"ZqAdaptiveGateEnabled": {"bool": false}, "ZqAGDepthFilterEnabled": {"bool": true}})",
       {Rc(1009, "00080000")}}},
     R"({"ZqAGDepthFilterEnabled": {"bool": true}})"},
    // Truncated toward zero, held to the i32 range, 0 for not a number; stored as requested.
    {"AdaptiveGateWindowIsTruncatedAndHeldToI32",
     {{"{" + kSearchLimits + "}",
       R"({"ZqAGWindowSize": {"double": -2.5}})",
       {Rc(1016, "feffffff 00000040 0000a042")}},
      {"", R"({"ZqAGWindowSize": {"double": 3e9}})", {Rc(1016, "ffffff7f 00000040 0000a042")}},
      {"", R"({"ZqAGWindowSize": {"double": -3e9}})", {Rc(1016, "00000080 00000040 0000a042")}},
      {"", R"({"ZqAGWindowSize": {"double": "NaN"}})", {Rc(1016, "00000000 00000040 0000a042")}},
      {"", R"({"ZqAGWindowSize": {"double": 7.9}})", {Rc(1016, "07000000 00000040 0000a042")}}},
     R"({"ZqAGWindowSize": {"double": 7.9}})"},
    {"GatesWaitUntilTheirGroupIsKnownThenGoOutInOrderWithTheTiltInverted",
     {{R"({"ZqMaxDepthGate": {"double": 150}, "ZqMinDepthGate": {"double": 1.25}, "ZqMaxRangeGate": {"double": 200},
           "ZqRangeFilterEnabled": {"bool": false}, "ZqDepthFilterEnabled": {"bool": false},
           "ZqAdaptiveGateEnabled": {"bool": false}, "ZqAGDepthFilterEnabled": {"int": 1}, )" +
           kSearchLimits + "}",
       R"({"ZqMinRangeGate": {"double": 0.1}, "ZqDepthFilterEnabled": {"bool": true}})",  // no tilt, no bool
       {},
       {"ZqMinRangeGate", "ZqDepthFilterEnabled"}},
      {"",
       R"({"ZqAGDepthFilterEnabled": {"bool": true}, "ZqAGWindowSize": {"double": 7},
           "ZqDepthGateTilt": {"double": 10}})",
       {Rc(1010, "cdcccc3d 00004843 0000a03f 00001643 c2b832be"), Rc(1016, "07000000 00000040 0000a042"),
        Rc(1009, "000a0000")}}},
     R"({"ZqMinRangeGate": {"double": 0.1}, "ZqDepthGateTilt": {"double": 10}, "ZqAGWindowSize": {"double": 7},
         "ZqDepthFilterEnabled": {"bool": true}, "ZqAGDepthFilterEnabled": {"bool": true}})"},

    // The motion sensor's codes as their low 8 bits, the latency unaligned; a value known nowhere keeps
    // its request waiting; the stored ones fill in.
    {"MotionValuesKnownNowhereKeepRequestsWaitingThenStoredOnesFillThemIn",
     {{R"({"ZqMotionSensorFormat": {"int": 2}, "ZqMotionSensorBaudrate": {"int": 5}, "ZqMotionSensorParity": {"int": 1},
           "ZqMotionSensorDataBits": {"int": 8}, "ZqMotionSensorStopBits": {"int": 1},
           "ZqMotionSensorLatency": {"double": 0.005}})",
       R"({"ZqMotionSensorBaudrate": {"int": 388}, "ZqMotionCompensationPitch": {"bool": true},
           "ZqSoundVelocity": {"double": 1500}})",  // no orientation, roll or override anywhere
       {},
       {"ZqMotionSensorBaudrate", "ZqMotionCompensationPitch", "ZqSoundVelocity"}},
      {R"({"ZqMotionCompensationRoll": {"bool": false}, "ZqSoundVelocityOverride": {"bool": true}})",
       R"({"ZqMotionSensorOrientation": {"int": 7}})",
       {Rc(7610, "0100 0080bb44 00 000000"), Rc(1033, "00 01" + ZeroHex(10)),
        Rc(1037, "02 84 01 08 01 07 0ad7a33b" + ZeroHex(21))}}},
     R"({"ZqMotionSensorBaudrate": {"int": 388}, "ZqMotionSensorOrientation": {"int": 7},
         "ZqMotionCompensationPitch": {"bool": true}, "ZqSoundVelocity": {"double": 1500}})"},
    // The flags say what the request carried (1 override on, 2 no sound velocity, 4 filter given); only
    // that is stored.
    {"SoundVelocityOverrideOnly",
     {{kSoundVelocity,
       R"({"ZqSoundVelocityOverride": {"bool": false}})",
       {Rc(7610, "0200 00000000 00 000000")}}},
     kAsRequested},
    {"SoundVelocityFilterWithTheStoredOverride",
     {{kSoundVelocity, R"({"ZqSoundVelocityFilter": {"int": 260}})", {Rc(7610, "0700 00000000 04 000000")}}},
     kAsRequested},
    {"SoundVelocityWithOverrideAndFilter",
     {{kSoundVelocity,
       R"({"ZqSoundVelocity": {"double": 1492.5}, "ZqSoundVelocityOverride": {"bool": false},
           "ZqSoundVelocityFilter": {"int": 260}})",
       {Rc(7610, "0400 0090ba44 04 000000")}}},
     kAsRequested},

    // Timing signals: a bit for each edge selector that is 0 (defaults PPS 0, trigger input 1, stored too).
    {"PpsEdgeWithTheTriggerInputEdgesDefault",
     {{"", R"({"ZqPpsEdge": {"int": 0}})", {Rc(1116, "01000000")}}},
     R"({"ZqPpsEdge": {"int": 0}, "ZqTriggerInputEdge": {"int": 1}})"},
    {"TriggerInputEdgeWithThePpsEdgesDefault",
     {{"", R"({"ZqTriggerInputEdge": {"int": 5}})", {Rc(1116, "01000000")}}},
     R"({"ZqPpsEdge": {"int": 0}, "ZqTriggerInputEdge": {"int": 5}})"},
    {"PpsEdgeWithTheStoredTriggerInputEdge",
     {{R"({"ZqTriggerInputEdge": {"int": 0}})", R"({"ZqPpsEdge": {"int": 2}})", {Rc(1116, "02000000")}}},
     R"({"ZqPpsEdge": {"int": 2}})"},
    // Seconds as f64 on the wire (a 1 ms pulse and no delay by default), milliseconds stored.
    {"TriggerOutputWithItsDefaults",
     {{"",
       R"({"ZqTriggerOutput": {"bool": true}})",
       {Rc(1115, "01000000 fca9f1d24d62503f 0000000000000000")}}},
     R"({"ZqTriggerOutputDelay": {"double": 0}, "ZqTriggerOutputPulse": {"double": 1},
         "ZqTriggerOutput": {"bool": true}})"},
    {"TriggerOutputSwitchedOnAsStored",
     {{R"({"ZqTriggerOutput": {"bool": true}, "ZqTriggerOutputPulse": {"double": 1}})",
       R"({"ZqTriggerOutputPulse": {"double": 5}, "ZqTriggerOutputDelay": {"double": 2.5}})",
       {Rc(1115, "01000000 7b14ae47e17a743f 7b14ae47e17a643f")}}},
     kAsRequested},
    // Only switching on is a command; an unreadable value waits until the device's value stands in.
    {"TriggerInputCommandsOnlySwitchingOn",
     {{"", R"({"ZqTriggerInput": {"int": 1}})", {}, {"ZqTriggerInput"}},
      {R"({"ZqTriggerInput": {"bool": true}})", "", {Rc(1114, "00")}},
      {"", R"({"ZqTriggerInput": {"bool": false}})", {}}},
     kAsRequested},

    // Transmit and receive: kHz rounded to single before scaling (b7e64046 if not), degrees converted in
    // double (93b00c3b if in single); the other end of the sweep and the other width as stored.
    {"TransmitSettingsInDispatchOrderConverted",
     {{R"({"ZqFMFrequencyStart": {"double": 20}, "ZqBeamWidthZ": {"double": 0.5}})",
       R"({"ZqFMFrequencyStop": {"double": 30}, "ZqCWFrequency": {"double": 12.3456789},
           "ZqBeamWidthX": {"double": 0.123}, "ZqGainMode": {"int": -3}, "ZqPulseType": {"int": 0}})",
       {Rc(1007, "00000000"), kAskFor7503, Rc(1017, "fdffffff"), Rc(1022, "92b00c3b 35fa0e3c"),
        Rc(1026, "b8e64046"), Rc(1027, "00409c46 0060ea46")}}},
     R"({"ZqFMFrequencyStop": {"double": 30}, "ZqCWFrequency": {"double": 12.3456789},
         "ZqBeamWidthX": {"double": 0.123}, "ZqPulseType": {"int": 0}})"},
    {"PulseTypeAsksFor7503EvenWhileItsValueWaits",
     {{"", R"({"ZqPulseType": {"int": 1}})", {Rc(1007, "01000000"), kAskFor7503}},
      {"", R"({"ZqPulseType": {"double": 0}})", {kAskFor7503}, {"ZqPulseType"}},
      {"", "", {kAskFor7503}, {"ZqPulseType"}}},
     R"({"ZqPulseType": {"int": 1}})"},
    // The gain mode is read from "Request" only; on a change of mode the two stored gains change places.
    {"GainModeUnreadableWaits",
     {{R"({"ZqGainMode": {"int": 0}})", R"({"ZqGainMode": {"double": 2}})", {}, {"ZqGainMode"}}}},
    {"GainModeUnchanged",
     {{R"({"ZqGain": {"double": 10}, "ZqGainAlt": {"double": 40}, "ZqGainMode": {"int": 2}})",
       R"({"ZqGainMode": {"int": 2}})",
       {Rc(1017, "02000000")}}}},
    {"GainModeChangedExchangesTheGains",
     {{R"({"ZqGain": {"double": 10}, "ZqGainAlt": {"double": 40}, "ZqGainMode": {"int": 0}})",
       R"({"ZqGainMode": {"int": 2}})",
       {Rc(1017, "02000000")}}},
     R"({"ZqGain": {"double": 40}, "ZqGainAlt": {"double": 10}, "ZqGainMode": {"int": 2}})"},
    {"GainModeChangedWithoutASecondGain",
     {{R"({"ZqGain": {"double": 10}, "ZqGainMode": {"int": 0}})",
       R"({"ZqGainMode": {"int": 2}})",
       {Rc(1017, "02000000")}}},
     kAsRequested},
    {"GainModeWithNothingToCompareWith",
     {{R"({"ZqGain": {"double": 10}, "ZqGainAlt": {"double": 40}})",
       R"({"ZqGainMode": {"int": 2}})",
       {Rc(1017, "02000000")}}}},

    // System: each remote control waits for its keys (calibration for its trigger, a connect for the
    // address); calibration and mode as their low 16 bits; a factory reset asks for one 7503; a disconnect
    // goes out before a connect; an address given as text goes out as 0. Only the mode is stored.
    {"SystemRemoteControlsWaitForTheirKeysThenGoOutInPassOrder",
     {{R"({"ZqSystemMode": {"int": 2}})",
       R"({"ZqCalibrationCommand": {"int": 74565}, "ZqSystemMode": {"double": 3},
           "ZqDualHeadConnect": {"bool": true}})",
       {},
       {"ZqCalibrationCommand", "ZqSystemMode", "ZqDualHeadConnect"}},
      {"",
       R"({"ZqCalibrationControl": {"bool": false}, "ZqCalibrationCommand": {"double": 5},
           "ZqSystemMode": {"int": 65541}, "ZqLoadFactoryParameters": {"int": 0}, "ZqDualHeadDisconnect": {"bool": true},
           "ZqDualHeadSlaveIp": {"int": -1062731510}})",  // 192.168.1.10
       {Rc(1014, "05000000"), Rc(1102, ""), kAskFor7503, Rc(1500, "00000000"),
        Rc(1500, "01000000 0a01a8c0 0000803f" + ZeroHex(44))},
       {"ZqCalibrationCommand", "ZqCalibrationControl"}},
      {"",
       R"({"ZqCalibrationCommand": {"int": 74565}, "ZqDualHeadConnect": {"bool": true},
           "ZqDualHeadSlaveIp": {"text": "192.168.1.10"}})",
       {Rc(1002, "4523"), Rc(1500, "01000000 00000000 0000803f" + ZeroHex(44))}}},
     R"({"ZqSystemMode": {"int": 65541}})"},
    // The old projector (the stored one, else the device's own head 1) stops and is told the new one,
    // which pings only when pinging is on; a ping request of the same pass goes first. The new one's head
    // is the low 16 bits of its number.
    {"AProjectorChangeStopsTheOldHeadAndStartsTheNewOneOnlyWhenPinging",
     {{R"({"ZqPingOnOffState": {"int": 1}})",
       R"({"DeviceEnum": {"int": 0}})",
       {Rc(1101, "", 7001, 1), Rc(1011, "00000000", 7001, 1), Rc(1100, "", 7000, 0)}},
      {R"({"ZqPingOnOffState": {"int": 2}})",
       R"({"DeviceEnum": {"int": 1}})",
       {Rc(1101, "", 7000, 0), Rc(1011, "01000000", 7000, 0)}},
      {"",
       R"({"ZqPingOnOffState": {"int": 1}, "DeviceEnum": {"int": 0}})",
       {Rc(1100, "", 7001, 1), Rc(1101, "", 7001, 1), Rc(1011, "00000000", 7001, 1), Rc(1100, "", 7000, 0)}},
      {"",
       R"({"DeviceEnum": {"int": 65538}})",
       {Rc(1101, "", 7000, 0), Rc(1011, "02000100", 7000, 0), Rc(1100, "", 7012, 2)}}},
     R"({"DeviceEnum": {"int": 65538}, "ZqPingOnOffState": {"int": 1}})",
     1},
    // The installation record (1020) reads the second unit first: a value the first unit lacks repeats
    // the second's, one missing from both (and the unit count) is 0. Nothing of it is stored.
    {"TheInstallationRecordReadsTheSecondUnitFirst",
     {{"",
       R"({"ZqMBesXYZInfo": {"map": [{"ZqMBesXYZSonarId": {"int": 7125}}, {"ZqMBesXYZTXUnitID": {"int": 36}},
           {"ZqMBesXYZRXUnitID": {"int": 37}}, {"ZqMBesXYZFixedParams": {"int": -1}},
           {"ZqMBesXYZFrequency": {"double": 400000}},
           {"ZqMBesXYZ": {"map": {"ZqMBesXYZLength": {"double": 0.5}, "ZqMBesXYZWidth": {"double": 0.25},
             "ZqMBesXYZHeight": {"double": 0.125}, "ZqMBesXYZOffsetX": {"double": 1}, "ZqMBesXYZOffsetY": {"double": -2},
             "ZqMBesXYZOffsetZ": {"double": 3.5}, "ZqMBesXYZOffsetRoll": {"double": 0.1},
             "ZqMBesXYZOffsetPitch": {"double": -0.2}, "ZqMBesXYZOffsetYaw": {"double": 1.5}}}},
           {"ZqMBesXYZ": {"map": {"ZqMBesXYZLength": {"double": 0.75}, "ZqMBesXYZWidth": {"double": 0.3},
             "ZqMBesXYZHeight": {"double": 0.2}, "ZqMBesXYZRadius": {"double": 0.05}, "ZqMBesXYZOffsetX": {"double": 0},
             "ZqMBesXYZOffsetY": {"double": 1}, "ZqMBesXYZOffsetRoll": {"double": 0},
             "ZqMBesXYZOffsetPitch": {"double": 0}, "ZqMBesXYZOffsetYaw": {"double": -0.5}}}}]}})",
       {Stamped(ExpectedHeader(232, 1020, 7000, 0)) + Fields("d51b0000 24000000 25000000 00000000 ffffffff") +
        Fields("0000003f 0000803e 0000003e cdcc4c3d 0000803f 000000c0 00006040 cdcccc3d cdcc4cbe 0000c03f") +
        Fields("0000403f 9a99993e cdcc4c3e cdcc4c3d 00000000 0000803f 00000000 00000000 00000000 000000bf") +
        "0050c348" + ZeroHex(64)}}}},
};
INSTANTIATE_TEST_SUITE_P(ControlDevice, RequestCases, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

// Record types as 16-bit numbers in at most 128 slots, all of them stored; a recording directory of 255
// characters is sent, one of 256 (no room for its zero) waits.
TEST_F(ControlDeviceTest, RecordTypesAndTheRecordingDirectory) {
  std::string many = "[72537";  // 7001 + 65536: only the low 16 bits count
  std::string slots = "591b0000";
  for (int i = 1; i < 130; ++i) many += ", 7000";
  for (int i = 1; i < 128; ++i) slots += "581b0000";
  const std::string longest(255, 'd');
  std::string name;
  for (int i = 0; i < 255; ++i) name += "64";
  Run({"",
       {{"",
         R"({"ZqRDRFilterList": {"ints": [7000, 7503, 7610]}})",
         {Rc(1209, "0000 0100 0300 581b0000 4f1d0000 ba1d0000" + ZeroHex(500))}},
        {"", R"({"ZqRDRFilterList": {"ints": )" + many + "]}}", {Rc(1209, "0000 0100 8000" + slots)}},
        {"", R"({"ZqDirectoryName": {"text": ")" + longest + R"(x"}})", {}, {"ZqDirectoryName"}},
        {"", R"({"ZqDirectoryName": {"text": ")" + longest + R"("}})", {Rc(1207, name + "00")}}},
       R"({"ZqRDRFilterList": {"ints": )" + many + R"(]}, "ZqDirectoryName": {"text": ")" + longest +
           R"("}})"});
}

}  // namespace
