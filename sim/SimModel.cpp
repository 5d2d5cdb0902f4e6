// The two models of simulated head. Board ids are 32 plus the board's slot in the hardware table
// (LM 0 ... IOPD 3, TX1 4 ... TX4 7, RX1 8 ... RX4 11, SYS1 12 ... SYS4 15).
#include "sim/SimModel.h"

namespace {

std::uint8_t BoardId(int slot) {
  return static_cast<std::uint8_t>(32 + slot);
}

std::vector<SimBiteField> ProcessorFields() {
  return {{"Temperature", SimBiteField::kMeasured, 0.0F, 70.0F, 41.0F},
          {"Supply 12 V", SimBiteField::kMeasured, 11.4F, 12.6F, 12.0F},
          {"Supply 3.3 V", SimBiteField::kMeasured, 3.1F, 3.5F, 3.3F},
          {"Link state", SimBiteField::kStatus, 0.0F, 0.0F, 1.0F}};
}

std::vector<SimBiteField> ProjectorFields() {
  return {{"Temperature", SimBiteField::kMeasured, 0.0F, 60.0F, 32.0F},
          {"High voltage", SimBiteField::kMeasured, 180.0F, 220.0F, 200.0F},
          {"Transmit current", SimBiteField::kMeasured, 0.0F, 8.0F, 3.5F}};
}

std::vector<SimBiteField> ReceiverFields() {
  return {{"Temperature", SimBiteField::kMeasured, 0.0F, 60.0F, 30.0F},
          {"Supply 5 V", SimBiteField::kMeasured, 4.75F, 5.25F, 5.0F},
          {"Noise level", SimBiteField::kMeasured, 20.0F, 70.0F, 45.0F},
          {"Channels failed", SimBiteField::kCount, 0.0F, 0.0F, 0.0F}};
}

std::vector<SimBiteField> SystemFields() {
  return {{"CPU load", SimBiteField::kMeasured, 0.0F, 90.0F, 28.0F},
          {"CPU temperature", SimBiteField::kMeasured, 0.0F, 85.0F, 52.0F},
          {"Uptime", SimBiteField::kCount, 0.0F, 0.0F, 3600.0F}};
}

SimSettingSet Shallow200() {
  SimSettingSet set;
  set.centerFrequencyHz = 200000.0;
  set.chirp = true;
  set.rangeM = {1.0, 500.0};
  set.rangeSetM = {5, 10, 25, 50, 100, 150, 200, 300, 400, 500};
  set.powerDb = {0.0, 220.0};
  set.pulseLengthS = {0.000015, 0.0005};
  set.gainDb = {1.0, 83.0};
  set.fixedGainAvailable = true;
  set.fixedGainDb = {0.0, 40.0};
  set.beamWidthVariable = true;
  set.beamWidthListDeg = {0.5, 1.0, 2.0};
  set.beamWidthZDeg = {0.5, 2.0};
  set.steerable = true;
  set.steeringXDeg = {-30.0, 30.0};
  set.steeringZDeg = {-10.0, 10.0};
  set.pingRateMax = 50.0;
  set.defaults = {.rangeM = 50.0,
                  .powerDb = 200.0,
                  .pulseLengthS = 0.0001,
                  .gainDb = 40.0,
                  .fixedGainDb = 20.0,
                  .maxPingRate = 10.0,
                  .beamWidthXDeg = 1.0,
                  .beamWidthZDeg = 1.0,
                  .absorptionDbPerKm = 60.0,
                  .spreadingDb = 30.0};
  return set;
}

SimSettingSet Shallow400() {
  SimSettingSet set = Shallow200();
  set.centerFrequencyHz = 400000.0;
  set.rangeM = {1.0, 250.0};
  set.rangeSetM = {5, 10, 25, 50, 100, 150, 200, 250};
  set.pulseLengthS = {0.00001, 0.0003};
  set.beamWidthListDeg = {0.5, 1.0};
  set.beamWidthZDeg = {0.5, 1.0};
  set.defaults.rangeM = 25.0;
  set.defaults.pulseLengthS = 0.00005;
  set.defaults.maxPingRate = 20.0;
  set.defaults.beamWidthXDeg = 0.5;
  set.defaults.beamWidthZDeg = 0.5;
  set.defaults.absorptionDbPerKm = 110.0;
  return set;
}

SimSettingSet Deep12() {
  SimSettingSet set;
  set.centerFrequencyHz = 12000.0;
  set.chirp = false;
  set.rangeM = {50.0, 11000.0};
  set.rangeSetM = {50, 100, 200, 500, 1000, 2000, 5000, 8000, 11000};
  set.powerDb = {180.0, 235.0};
  set.pulseLengthS = {0.001, 0.02};
  set.gainDb = {0.0, 60.0};
  set.fixedGainAvailable = false;
  set.beamWidthVariable = true;
  set.beamWidthListDeg = {1.0, 2.0};
  set.beamWidthZDeg = {1.0, 2.0};
  set.steerable = false;
  set.pingRateMax = 2.0;
  set.defaults = {.rangeM = 200.0,
                  .powerDb = 220.0,
                  .pulseLengthS = 0.005,
                  .gainDb = 30.0,
                  .fixedGainDb = 0.0,
                  .maxPingRate = 2.0,
                  .beamWidthXDeg = 1.0,
                  .beamWidthZDeg = 1.0,
                  .absorptionDbPerKm = 1.0,
                  .spreadingDb = 30.0};
  return set;
}

}  // namespace

SimModel SimModel::Shallow() {
  SimModel model;
  model.name = "shallow";
  model.serialBase = 200000;
  model.settingSets = {Shallow200(), Shallow400()};
  model.beamModes = {{140.0, -70.0, 70.0}, {90.0, -45.0, 45.0}};
  const std::vector<double> both{200000.0, 400000.0};
  model.boards = {
      {"LM", BoardId(0), "Link module", "", {}, 0, ProcessorFields()},
      {"LCU", BoardId(1), "Link controller", "", {}, 0, ProcessorFields()},
      {"IOPW", BoardId(2), "Wet-end I/O processor", "", {}, 0, ProcessorFields()},
      {"TX1", BoardId(4), "Projector 200/400 kHz", "Projector 200/400", both, 0, ProjectorFields()},
      {"RX1", BoardId(8), "Receiver 200/400 kHz", "", both, 0, ReceiverFields()},
      {"SYS1", BoardId(12), "Processing unit", "", {}, 0, SystemFields()},
  };
  return model;
}

SimModel SimModel::Deep() {
  SimModel model;
  model.name = "deep";
  model.serialBase = 120000;
  model.settingSets = {Deep12()};
  model.beamModes = {{150.0, -75.0, 75.0}};
  const std::vector<double> low{12000.0};
  model.boards = {
      {"LM", BoardId(0), "Link module", "", {}, 0, ProcessorFields()},
      {"LCU", BoardId(1), "Link controller", "", {}, 0, ProcessorFields()},
      {"IOPD", BoardId(3), "Dry-end I/O processor", "", {}, 0, ProcessorFields()},
      {"TX1", BoardId(4), "Projector 12 kHz port", "", low, 0, ProjectorFields()},
      {"TX2", BoardId(5), "Projector 12 kHz starboard", "", low, 0, ProjectorFields()},
      {"RX1", BoardId(8), "Receiver 12 kHz fore", "", low, 0, ReceiverFields()},
      {"RX2", BoardId(9), "Receiver 12 kHz aft", "", low, 0, ReceiverFields()},
      {"SYS1", BoardId(12), "Processing unit", "", {}, 0, SystemFields()},
  };
  return model;
}

std::optional<SimModel> SimModel::ByName(std::string_view name) {
  if (name == "shallow") return Shallow();
  if (name == "deep") return Deep();
  return std::nullopt;
}
