// A model of simulated sonar head: its setting sets (one per projector and frequency, each answering
// under its own device enum), its beam modes and its BITE boards. A model is a plain value; a head
// copies the one it is built from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SimLimits {
  double min = 0.0;
  double max = 0.0;
};

// The factory settings of a setting set, in record units (Hz, metres, dB, seconds, pings per second,
// dB/km) except the beam widths, which are in degrees like the beam width list.
struct SimDefaults {
  double rangeM = 0.0;
  double powerDb = 0.0;
  double pulseLengthS = 0.0;
  double gainDb = 0.0;       // gain of the TVG gain mode
  double fixedGainDb = 0.0;  // gain of the fixed gain mode
  double maxPingRate = 0.0;
  double beamWidthXDeg = 0.0;
  double beamWidthZDeg = 0.0;
  double absorptionDbPerKm = 0.0;
  double spreadingDb = 0.0;
};

struct SimSettingSet {
  double centerFrequencyHz = 0.0;
  bool chirp = false;  // FM pulses possible
  SimLimits rangeM;
  std::vector<double> rangeSetM;  // the ranges offered to the operator
  SimLimits powerDb;
  SimLimits pulseLengthS;
  SimLimits gainDb;
  bool fixedGainAvailable = false;
  SimLimits fixedGainDb;
  bool beamWidthVariable = false;
  std::vector<double> beamWidthListDeg;  // beam width X is one of these
  SimLimits beamWidthZDeg;
  bool steerable = false;
  SimLimits steeringXDeg;  // vertical steering
  SimLimits steeringZDeg;  // horizontal steering
  double pingRateMax = 0.0;
  double pingRateRatio = 1.0;
  bool freeRun = true;
  SimDefaults defaults;
};

struct SimBeamMode {
  double maxCoverageDeg = 0.0;
  double minAngleDeg = 0.0;
  double maxAngleDeg = 0.0;
};

struct SimBiteField {
  // A measured value has limits; a state or a count has none.
  static constexpr std::uint8_t kStatus = 1;
  static constexpr std::uint8_t kMeasured = 2;
  static constexpr std::uint8_t kCount = 5;

  std::string name;
  std::uint8_t kind = kMeasured;
  float lower = 0.0F;
  float upper = 0.0F;
  float nominal = 0.0F;
};

struct SimBoard {
  std::string shortName;    // hardware table name: "LM", "LCU", "IOPW", "IOPD", "TX1".."TX4", ...
  std::uint8_t id = 0;      // the id BITE results name the board by
  std::string text;         // board text of the BITE results
  std::string displayName;  // optional display name of the hardware table; empty: none
  std::vector<double> frequenciesHz;
  int angle = 0;
  std::vector<SimBiteField> fields;
};

struct SimModel {
  std::string name;
  std::uint32_t serialBase = 0;  // a head's serial number is this plus its device identifier
  std::vector<SimSettingSet> settingSets;
  std::vector<SimBeamMode> beamModes;
  std::vector<SimBoard> boards;

  // 200 kHz and 400 kHz setting sets, CW and FM, steerable, fixed gain available.
  static SimModel Shallow();
  // One 12 kHz setting set, CW only, not steerable, no fixed gain.
  static SimModel Deep();
  // "shallow" or "deep"; nothing for any other name.
  static std::optional<SimModel> ByName(std::string_view name);
};
