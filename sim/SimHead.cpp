// A simulated head's state and the records it sends. Remote controls are applied within the limits of
// the setting set in use; angles are kept in degrees (as the model's limits are) and travel in
// radians.
#include "sim/SimHead.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"
#include "sim/SimConfigurationXml.h"
#include "sim/SimNumberText.h"

namespace {

// Remote-control IDs the head acts on.
constexpr std::uint32_t kRange = 1003;
constexpr std::uint32_t kMaxPingRate = 1004;
constexpr std::uint32_t kPower = 1005;
constexpr std::uint32_t kPulseLength = 1006;
constexpr std::uint32_t kPulseType = 1007;
constexpr std::uint32_t kGain = 1008;
constexpr std::uint32_t kSettingSet = 1011;
constexpr std::uint32_t kGainMode = 1017;
constexpr std::uint32_t kSteering = 1021;
constexpr std::uint32_t kBeamWidths = 1022;
constexpr std::uint32_t kCwFrequency = 1026;
constexpr std::uint32_t kRecordRequest = 1050;
constexpr std::uint32_t kPingOn = 1100;
constexpr std::uint32_t kPingOff = 1101;
constexpr std::uint32_t kFactorySettings = 1102;
constexpr std::uint32_t kTrigger = 1107;
constexpr std::uint32_t kStartRecording = 1200;
constexpr std::uint32_t kStopRecording = 1201;
constexpr std::uint32_t kRecordingDirectory = 1207;
constexpr std::uint32_t kRecordedTypes = 1209;
constexpr std::uint32_t kSoundVelocity = 7610;

// Single-value records.
constexpr std::uint32_t kAbsorptionRecord = 7611;
constexpr std::uint32_t kSpreadingRecord = 7612;

// Gain modes.
constexpr std::uint32_t kTvgGain = 0;
constexpr std::uint32_t kFixedGain = 2;

// The sound velocity the head measures itself, used unless the host's value overrides it; the
// limits of a value the host gives.
constexpr double kOwnSoundVelocity = 1500.0;
constexpr SimLimits kSoundVelocityLimits{1400.0, 1700.0};
constexpr SimLimits kAbsorptionLimits{0.0, 1000.0};
constexpr SimLimits kSpreadingLimits{0.0, 60.0};
constexpr double kFrequencyTolerance = 0.1;  // CW frequency within ±10 % of the centre
constexpr double kBeamWidthMatchDeg = 0.001;

// Payloads.
constexpr std::size_t kFileNameOffset = 4;  // 1200: u32 0, then the name
constexpr std::size_t kNameFieldSize = 256;
constexpr std::size_t kRecordedTypeCountOffset = 4;  // 1209: u16 0, u16 1, u16 n, u32 slots
constexpr std::size_t kRecordedTypeSlotsOffset = 6;
constexpr std::size_t kRecordedTypeSlots = 128;
constexpr std::size_t kSoundVelocityPayloadSize = 10;  // 7610: u16 flags, f32 velocity, u8 filter
constexpr std::uint16_t kOverride = 1;
constexpr std::uint16_t kNoSoundVelocity = 2;
constexpr std::uint16_t kFilterGiven = 4;

// What the head records when the host named no record types: its ping settings.
constexpr std::uint32_t kRecordedByDefault = zqwire::kPingSettingsRecordType;

constexpr std::size_t kEventsKept = 100;

// A board's BITE status flags, as its faults are switched.
constexpr unsigned kBoardFlags =
    SimBoardReport::kUplinkError | SimBoardReport::kDownlinkError | SimBoardReport::kBiteError;

// "uplink, downlink, BITE error": the faults that a board's status flags report.
std::string FlagsText(unsigned flags) {
  std::string text;
  for (const auto& [bit, name] : {std::pair<unsigned, const char*>{SimBoardReport::kUplinkError, "uplink"},
                                  {SimBoardReport::kDownlinkError, "downlink"},
                                  {SimBoardReport::kBiteError, "BITE error"}}) {
    if ((flags & bit) == 0) continue;
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

std::string Text(std::span<const std::byte> bytes) {
  std::string text;
  for (const std::byte b : bytes) {
    if (b == std::byte{0}) break;
    text += static_cast<char>(b);
  }
  return text;
}

// A directory or file name the host gives stays inside the recording folder: relative, without "..".
bool StaysInside(const std::filesystem::path& path) {
  if (path.has_root_path()) return false;
  return std::none_of(path.begin(), path.end(),
                      [](const std::filesystem::path& part) { return part == ".."; });
}

std::string FrequencyText(double hz) {
  return NumberText(hz / 1000.0) + " kHz";
}

// A recording file name made up from the time the recording starts (UTC).
std::string MadeUpFileName() {
  const std::time_t time = CExTime::ConvertToCTime(CExTime::GetCurTime());
  std::tm calendar{};
  gmtime_r(&time, &calendar);
  char buffer[64] = {};
  if (std::strftime(buffer, sizeof buffer, "%Y%m%d_%H%M%S_sim.zq", &calendar) == 0) return "sim.zq";
  return buffer;
}

}  // namespace

SimHead::SimHead(SimModel model, std::uint16_t baseDeviceEnum, std::uint32_t deviceId, std::string name,
                 std::filesystem::path recordFolder)
    : model_(std::move(model)),
      baseDeviceEnum_(baseDeviceEnum),
      deviceId_(deviceId),
      name_(std::move(name)),
      manualSoundVelocity_(kOwnSoundVelocity),
      recordFolder_(std::move(recordFolder)) {
  for (const SimSettingSet& set : model_.settingSets) states_.push_back(FactorySettings(set));
  for (const SimBoard& board : model_.boards) {
    boardFaults_.push_back({0, std::vector<bool>(board.fields.size(), false)});
  }
}

void SimHead::PowerCycle(std::vector<std::string>& out) {
  StopRecording(out);
  setIndex_ = 0;
  states_.clear();
  for (const SimSettingSet& set : model_.settingSets) states_.push_back(FactorySettings(set));
  manualSoundVelocity_ = kOwnSoundVelocity;
  soundVelocityOverride_ = false;
  soundVelocityFilter_ = 0;
  pinging_ = true;
  pingInProgress_ = false;
  triggerPending_ = false;
  pingNumber_ = 0;
  lastPingStart_.reset();
  lastPingEnd_ = 0.0;
  directory_.clear();
  recordedTypes_.clear();
  keptRecords_.clear();
  keptRemoteControls_.clear();
}

SimHead::SetState SimHead::FactorySettings(const SimSettingSet& set) {
  const SimDefaults& d = set.defaults;
  SetState state;
  state.frequencyHz = set.centerFrequencyHz;
  state.rangeM = d.rangeM;
  state.powerDb = d.powerDb;
  state.pulseLengthS = d.pulseLengthS;
  state.gainMode = kTvgGain;
  state.tvgGainDb = d.gainDb;
  state.fixedGainDb = d.fixedGainDb;
  state.maxPingRate = d.maxPingRate;
  state.beamWidthXDeg = d.beamWidthXDeg;
  state.beamWidthZDeg = d.beamWidthZDeg;
  state.absorptionDbPerKm = d.absorptionDbPerKm;
  state.spreadingDb = d.spreadingDb;
  return state;
}

double SimHead::SoundVelocity() const {
  return soundVelocityOverride_ ? manualSoundVelocity_ : kOwnSoundVelocity;
}

double SimHead::TwoWayTime() const {
  return 2.0 * State().rangeM / SoundVelocity();
}

// ---- Records from the host ----

void SimHead::Apply(std::span<const std::byte> record, double now, std::vector<std::string>& out) {
  const le::ByteReader reader(record);
  if (record.size() < zqwire::kMinRecordSize) return;
  const std::uint32_t type = reader.U32(zqwire::kRecordTypeOffset).value_or(0);
  const std::size_t dataEnd = record.size() - zqwire::kTrailerSize;
  if (type == zqwire::kRemoteControlRecordType) {
    const auto id = reader.U32(zqwire::kRemoteControlIdOffset);
    if (!id || dataEnd < zqwire::kRemoteControlPayloadOffset) return;
    const auto payload =
        record.subspan(zqwire::kRemoteControlPayloadOffset, dataEnd - zqwire::kRemoteControlPayloadOffset);
    ApplyRemoteControl(*id, payload, now, out);
    return;
  }
  if (type == kAbsorptionRecord || type == kSpreadingRecord) {
    if (dataEnd < zqwire::kFrameHeaderSize + 4) return;
    const auto value = reader.F32(zqwire::kFrameHeaderSize);
    if (!value) return;
    if (type == kAbsorptionRecord) {
      State().absorptionDbPerKm =
          Limited("Absorption", *value, kAbsorptionLimits, out).value_or(State().absorptionDbPerKm);
    } else {
      State().spreadingDb =
          Limited("Spreading loss", *value, kSpreadingLimits, out).value_or(State().spreadingDb);
    }
    return;
  }
  keptRecords_[type].assign(reinterpret_cast<const char*>(record.data()), record.size());
}

void SimHead::ApplyRemoteControl(std::uint32_t id, std::span<const std::byte> payload, double now,
                                 std::vector<std::string>& out) {
  const le::ByteReader reader(payload);
  switch (id) {
    case kRange:
    case kPower:
    case kPulseLength:
    case kPulseType:
    case kGain:
    case kGainMode:
    case kCwFrequency:
      ApplyTransmitSetting(id, payload, out);
      return;
    case kSteering:
    case kBeamWidths:
      ApplyBeamSetting(id, payload, out);
      return;
    case kStartRecording:
    case kStopRecording:
    case kRecordingDirectory:
    case kRecordedTypes:
      ApplyRecordingControl(id, payload, out);
      return;
    case kSoundVelocity:
      ApplySoundVelocity(payload, out);
      return;
    case kMaxPingRate:
      if (const auto rate = reader.F32(0)) {
        State().maxPingRate =
            Limited("Maximum ping rate", *rate, {0.0, Set().pingRateMax}, out).value_or(State().maxPingRate);
        if (State().maxPingRate > 0.0) triggerPending_ = false;
      }
      return;
    case kSettingSet:
      if (const auto deviceEnum = reader.I32(0)) SwitchSettingSet(*deviceEnum, out);
      return;
    case kRecordRequest:
      if (const auto recordType = reader.U32(0)) Answer(*recordType, out);
      return;
    case kPingOn:
    case kPingOff:
      SetPinging(id == kPingOn, out);
      return;
    case kFactorySettings:
      State() = FactorySettings(Set());
      SendEvent(SimEvent::kStateChange,
                "Factory settings loaded for device enum " + std::to_string(CurrentDeviceEnum()), out);
      return;
    case kTrigger:
      // A trigger that comes while a ping is under way finds the sonar not ready and is lost: the
      // ping's own settings record, when its listening window closes, is what the host waits for.
      if (pinging_ && State().maxPingRate == 0.0 && !triggerPending_ && !pingInProgress_) {
        triggerPending_ = true;
        triggerTime_ = now;
      }
      return;
    default:
      keptRemoteControls_[id].assign(reinterpret_cast<const char*>(payload.data()), payload.size());
  }
}

void SimHead::ApplyTransmitSetting(std::uint32_t id, std::span<const std::byte> payload,
                                   std::vector<std::string>& out) {
  const le::ByteReader reader(payload);
  SetState& state = State();
  const SimSettingSet& set = Set();
  if (id == kPulseType) {
    const auto type = reader.I32(0);
    if (!type) return;
    const std::int32_t applied = std::clamp<std::int32_t>(*type, 0, set.chirp ? 1 : 0);
    if (applied != *type) Warn("Pulse type", std::to_string(*type), std::to_string(applied), out);
    state.fmPulse = applied == 1;
    return;
  }
  if (id == kGainMode) {
    const auto mode = reader.U32(0);
    if (!mode) return;
    const bool allowed = *mode == kTvgGain || (*mode == kFixedGain && set.fixedGainAvailable);
    if (!allowed) Warn("Gain mode", std::to_string(*mode), std::to_string(kTvgGain), out);
    state.gainMode = allowed ? *mode : kTvgGain;
    return;
  }
  const auto value = reader.F32(0);
  if (!value) return;
  switch (id) {
    case kRange:
      state.rangeM = Limited("Range", *value, set.rangeM, out).value_or(state.rangeM);
      break;
    case kPower:
      state.powerDb = Limited("Power", *value, set.powerDb, out).value_or(state.powerDb);
      break;
    case kPulseLength:
      state.pulseLengthS =
          Limited("Pulse length", *value, set.pulseLengthS, out).value_or(state.pulseLengthS);
      break;
    case kGain:
      if (state.gainMode == kFixedGain) {
        state.fixedGainDb = Limited("Gain", *value, set.fixedGainDb, out).value_or(state.fixedGainDb);
      } else {
        state.tvgGainDb = Limited("Gain", *value, set.gainDb, out).value_or(state.tvgGainDb);
      }
      break;
    case kCwFrequency: {
      const SimLimits band{set.centerFrequencyHz * (1.0 - kFrequencyTolerance),
                           set.centerFrequencyHz * (1.0 + kFrequencyTolerance)};
      state.frequencyHz = Limited("Frequency", *value, band, out).value_or(state.frequencyHz);
      break;
    }
    default:
      break;
  }
}

void SimHead::ApplyBeamSetting(std::uint32_t id, std::span<const std::byte> payload,
                               std::vector<std::string>& out) {
  const le::ByteReader reader(payload);
  const auto first = reader.F32(0);
  const auto second = reader.F32(4);
  if (!first || !second) return;
  SetState& state = State();
  const SimSettingSet& set = Set();
  const auto degrees = [](float radians) { return static_cast<float>(radians / D_TO_R); };
  if (id == kSteering) {
    // Vertical steering within the X limits and horizontal within the Z limits, as the configuration
    // view pairs them (its steering bar spans min X to max X and shows the vertical steering).
    const SimLimits x = set.steerable ? set.steeringXDeg : SimLimits{};
    const SimLimits z = set.steerable ? set.steeringZDeg : SimLimits{};
    state.verticalSteeringDeg =
        Limited("Vertical steering", degrees(*first), x, out).value_or(state.verticalSteeringDeg);
    state.horizontalSteeringDeg =
        Limited("Horizontal steering", degrees(*second), z, out).value_or(state.horizontalSteeringDeg);
    return;
  }
  // Beam width X is one of the list: the nearest, or the factory value where it cannot be changed.
  const float requestedX = degrees(*first);
  if (std::isnan(requestedX)) {
    Warn("Beam width X", "nan", "", out);
  } else {
    double chosen = set.defaults.beamWidthXDeg;
    if (set.beamWidthVariable) {
      for (const double width : set.beamWidthListDeg) {
        if (std::abs(width - requestedX) < std::abs(chosen - requestedX)) chosen = width;
      }
    }
    if (std::abs(chosen - requestedX) > kBeamWidthMatchDeg) {
      Warn("Beam width X", ValueText(requestedX), ValueText(static_cast<float>(chosen)), out);
    }
    state.beamWidthXDeg = chosen;
  }
  state.beamWidthZDeg =
      Limited("Beam width Z", degrees(*second), set.beamWidthZDeg, out).value_or(state.beamWidthZDeg);
}

void SimHead::ApplyRecordingControl(std::uint32_t id, std::span<const std::byte> payload,
                                    std::vector<std::string>& out) {
  const le::ByteReader reader(payload);
  switch (id) {
    case kStartRecording: {
      const auto field = reader.Bytes(kFileNameOffset, kNameFieldSize);
      if (field) StartRecording(Text(*field), out);
      return;
    }
    case kStopRecording:
      StopRecording(out);
      recordingState_ = kNotRecording;  // also after a failed recording
      return;
    case kRecordingDirectory: {
      const auto field = reader.Bytes(0, kNameFieldSize);
      if (!field) return;
      std::string directory = Text(*field);
      if (directory.empty()) return;
      directory_ = std::move(directory);
      if (!StaysInside(directory_)) {
        SendEvent(SimEvent::kWarning,
                  "Recording directory " + directory_ +
                      " refused: it leaves the recording folder, which is used instead",
                  out);
      }
      return;
    }
    case kRecordedTypes: {
      const auto count = reader.U16(kRecordedTypeCountOffset);
      if (!count) return;
      recordedTypes_.clear();
      for (std::size_t i = 0; i < std::min<std::size_t>(*count, kRecordedTypeSlots); ++i) {
        const auto recordType = reader.U32(kRecordedTypeSlotsOffset + 4 * i);
        if (!recordType) break;
        recordedTypes_.push_back(*recordType);
      }
      return;
    }
    default:
      return;
  }
}

std::filesystem::path SimHead::RecordingFolder() const {
  return StaysInside(directory_) ? recordFolder_ / directory_ : recordFolder_;
}

void SimHead::StartRecording(std::string fileName, std::vector<std::string>& out) {
  StopRecording(out);
  // A name with a folder in it would place the file elsewhere: it is made up instead.
  if (!fileName.empty() && (fileName.find('/') != std::string::npos || fileName == "." || fileName == "..")) {
    SendEvent(SimEvent::kWarning, "Recording file name " + fileName + " refused: a name with no folder in it",
              out);
    fileName.clear();
  }
  fileName_ = fileName.empty() ? MadeUpFileName() : std::move(fileName);
  filePath_ = RecordingFolder() / fileName_;
  fileSize_ = 0;
  SimFileProblem problem;
  if (!file_.Open(filePath_, problem)) {
    RecordingFailed(filePath_, problem, out);
    return;
  }
  recordingState_ = kRecording;
  SendEvent(SimEvent::kStateChange, "Recording started: " + filePath_.string(), out);
}

void SimHead::StopRecording(std::vector<std::string>& out) {
  if (recordingState_ != kRecording) return;
  file_.Close();
  recordingState_ = kNotRecording;
  SendEvent(SimEvent::kStateChange,
            "Recording stopped: " + filePath_.string() + ", " + std::to_string(fileSize_) + " bytes", out);
}

void SimHead::Record(std::uint32_t recordType, const std::string& record, std::vector<std::string>& out) {
  if (recordingState_ != kRecording) return;
  const bool wanted = recordedTypes_.empty() ? recordType == kRecordedByDefault
                                             : std::find(recordedTypes_.begin(), recordedTypes_.end(),
                                                         recordType) != recordedTypes_.end();
  if (!wanted) return;
  SimFileProblem problem;
  const bool written = file_.Write(record, problem);
  fileSize_ = file_.Size();
  if (!written) RecordingFailed(filePath_, problem, out);
}

void SimHead::RecordingFailed(const std::filesystem::path& path, const SimFileProblem& problem,
                              std::vector<std::string>& out) {
  file_.Close();
  recordingState_ = problem.diskFull ? kDiskFull : kWriteError;
  SendEvent(SimEvent::kError, "Recording to " + path.string() + " stopped: " + problem.reason, out);
}

void SimHead::ApplySoundVelocity(std::span<const std::byte> payload, std::vector<std::string>& out) {
  if (payload.size() < kSoundVelocityPayloadSize) return;
  const le::ByteReader reader(payload);
  const std::uint16_t flags = reader.U16(0).value_or(0);
  if ((flags & kNoSoundVelocity) == 0) {
    manualSoundVelocity_ = Limited("Sound velocity", reader.F32(2).value_or(0.0F), kSoundVelocityLimits, out)
                               .value_or(manualSoundVelocity_);
  }
  if ((flags & kFilterGiven) != 0) soundVelocityFilter_ = reader.U8(6).value_or(0);
  soundVelocityOverride_ = (flags & kOverride) != 0;
}

void SimHead::SwitchSettingSet(std::int32_t deviceEnum, std::vector<std::string>& out) {
  const std::int64_t index = static_cast<std::int64_t>(deviceEnum) - baseDeviceEnum_;
  if (index < 0 || index >= static_cast<std::int64_t>(model_.settingSets.size())) {
    SendEvent(SimEvent::kWarning,
              "Device enum " + std::to_string(deviceEnum) + " is not a setting set of this head", out);
    return;
  }
  if (static_cast<std::size_t>(index) == setIndex_) return;
  setIndex_ = static_cast<std::size_t>(index);
  triggerPending_ = triggerPending_ && State().maxPingRate == 0.0;
  SendEvent(SimEvent::kStateChange,
            "Setting set switched to device enum " + std::to_string(deviceEnum) + " (" +
                FrequencyText(Set().centerFrequencyHz) + ")",
            out);
}

void SimHead::SetPinging(bool on, std::vector<std::string>& out) {
  if (!on) triggerPending_ = false;
  if (on == pinging_) return;
  pinging_ = on;
  SendEvent(SimEvent::kStateChange, on ? "Pinging started" : "Pinging stopped", out);
}

void SimHead::Answer(std::uint32_t recordType, std::vector<std::string>& out) {
  switch (recordType) {
    case zqwire::kSettingsOnRequestRecordType:
      Send(recordType, zqwire::EncodeSettingsBody(Settings()), out);
      return;
    case zqwire::kConfigurationRecordType:
      Send(recordType,
           simrecords::ConfigurationData(model_.serialBase + deviceId_,
                                         SimConfigurationXml(model_, baseDeviceEnum_)),
           out);
      return;
    case zqwire::kEventListRecordType:
      Send(recordType, simrecords::EventListData(events_), out);
      return;
    case zqwire::kBiteRecordType:
      Bite(out);
      return;
    default:
      return;
  }
}

void SimHead::OnConnect(std::vector<std::string>& out) {
  Answer(zqwire::kConfigurationRecordType, out);
  Answer(zqwire::kSettingsOnRequestRecordType, out);
  for (const SimEvent& event : greetingEvents_) {
    Send(zqwire::kEventRecordType, simrecords::EventData(event), out);
  }
}

bool SimHead::SetRangeLimits(std::size_t settingSet, SimLimits limits, std::vector<std::string>& out) {
  if (settingSet >= model_.settingSets.size() || !(limits.min <= limits.max)) return false;
  model_.settingSets[settingSet].rangeM = limits;
  double& range = states_[settingSet].rangeM;
  range = std::clamp(range, limits.min, limits.max);
  Answer(zqwire::kConfigurationRecordType, out);
  return true;
}

// ---- Pinging ----

std::optional<double> SimHead::NextPingStart(double now) const {
  if (!pinging_ || pingInProgress_) return std::nullopt;
  const double rate = State().maxPingRate;
  if (rate > 0.0) {
    // The end of the last listening window is its start plus the two-way travel time.
    if (!lastPingStart_) return now;
    return std::max({now, *lastPingStart_ + 1.0 / rate, lastPingEnd_});
  }
  if (!triggerPending_) return std::nullopt;
  return std::max(triggerTime_, lastPingEnd_);
}

PingTiming SimHead::StartPing(double now) {
  PingTiming ping;
  ping.pingNumber = ++pingNumber_;
  ping.deviceEnum = CurrentDeviceEnum();
  ping.start = now;
  ping.end = now + TwoWayTime();
  if (State().maxPingRate == 0.0 && triggerPending_) {
    ping.trigger = "1107";
    triggerPending_ = false;
  }
  pingInProgress_ = true;
  lastPingStart_ = ping.start;
  lastPingEnd_ = ping.end;
  return ping;
}

void SimHead::FinishPing(const PingTiming& ping, std::vector<std::string>& out) {
  pingInProgress_ = false;
  zqwire::ZqPingSettings settings = Settings();
  settings.pingNumber = ping.pingNumber;
  Send(zqwire::kPingSettingsRecordType, zqwire::EncodeSettingsBody(settings), out);
}

zqwire::ZqPingSettings SimHead::Settings() const {
  const SetState& state = State();
  zqwire::ZqPingSettings settings;
  settings.pingNumber = pingNumber_;
  settings.projectorDeviceEnum = CurrentDeviceEnum();
  if (pinging_) settings.flags |= zqwire::ZqPingSettings::kPinging;
  if (soundVelocityOverride_) settings.flags |= zqwire::ZqPingSettings::kSoundVelocityOverride;
  if (state.fmPulse) settings.flags |= zqwire::ZqPingSettings::kFmPulse;
  if (recordingState_ == kRecording) settings.flags |= zqwire::ZqPingSettings::kRecording;
  settings.frequencyHz = static_cast<float>(state.frequencyHz);
  settings.rangeM = static_cast<float>(state.rangeM);
  settings.powerDb = static_cast<float>(state.powerDb);
  settings.pulseLengthS = static_cast<float>(state.pulseLengthS);
  settings.gainMode = state.gainMode;
  settings.gainDb = static_cast<float>(state.gainMode == kFixedGain ? state.fixedGainDb : state.tvgGainDb);
  settings.maxPingRate = static_cast<float>(state.maxPingRate);
  settings.beamWidthXRad = static_cast<float>(state.beamWidthXDeg * D_TO_R);
  settings.beamWidthZRad = static_cast<float>(state.beamWidthZDeg * D_TO_R);
  settings.verticalSteeringRad = static_cast<float>(state.verticalSteeringDeg * D_TO_R);
  settings.horizontalSteeringRad = static_cast<float>(state.horizontalSteeringDeg * D_TO_R);
  settings.absorptionDbPerKm = static_cast<float>(state.absorptionDbPerKm);
  settings.spreadingDb = static_cast<float>(state.spreadingDb);
  settings.soundVelocity = static_cast<float>(SoundVelocity());
  settings.recordingMode = recordingState_;
  // The file system the recording folder is on; nothing known while the folder is not there.
  std::error_code code;
  const std::filesystem::space_info disk = std::filesystem::space(recordFolder_, code);
  if (!code && disk.capacity > 0 && disk.capacity != static_cast<std::uintmax_t>(-1)) {
    settings.diskFreePercent = static_cast<std::uint32_t>(disk.available * 100 / disk.capacity);
  }
  settings.fileSizeBytes = fileSize_;
  settings.directoryName = directory_;
  settings.fileName = fileName_;
  return settings;
}

// ---- BITE ----

void SimHead::Bite(std::vector<std::string>& out) {
  ++biteCount_;
  std::vector<SimBoardReport> reports;
  for (std::size_t b = 0; b < model_.boards.size(); ++b) {
    const SimBoard& board = model_.boards[b];
    const BoardFaults& faults = boardFaults_[b];
    SimBoardReport report{board.text, board.id, faults.flags, {}};
    for (std::size_t f = 0; f < board.fields.size(); ++f) {
      const SimBiteField& field = board.fields[f];
      SimBiteReading reading{field.name, field.kind, field.lower, field.upper, field.nominal};
      if (field.kind == SimBiteField::kMeasured) {
        // A small deterministic wander around the nominal value, well inside the limits.
        const float span = field.upper - field.lower;
        reading.value +=
            0.02F * span * static_cast<float>(std::sin(0.7 * biteCount_ + 1.3 * static_cast<double>(f)));
        if (faults.fieldOutOfLimits[f]) {
          reading.value = field.upper + 0.1F * span;
          report.flags |= SimBoardReport::kBiteError;
        }
      }
      report.fields.push_back(reading);
    }
    reports.push_back(std::move(report));
  }
  Send(zqwire::kBiteRecordType, simrecords::BiteData(reports), out);
}

bool SimHead::SetBoardError(std::string_view board, unsigned flags, std::vector<std::string>& out) {
  for (std::size_t b = 0; b < model_.boards.size(); ++b) {
    if (model_.boards[b].shortName != board) continue;
    const BoardFaults before = boardFaults_[b];
    boardFaults_[b].flags = static_cast<std::uint8_t>(flags & kBoardFlags);
    BoardSwitched(b, before, out);
    return true;
  }
  return false;
}

bool SimHead::SetFieldOutOfLimits(std::string_view board, std::string_view field, bool outOfLimits,
                                  std::vector<std::string>& out) {
  for (std::size_t b = 0; b < model_.boards.size(); ++b) {
    if (model_.boards[b].shortName != board) continue;
    const auto& fields = model_.boards[b].fields;
    for (std::size_t f = 0; f < fields.size(); ++f) {
      if (fields[f].name != field || fields[f].kind != SimBiteField::kMeasured) continue;
      const BoardFaults before = boardFaults_[b];
      boardFaults_[b].fieldOutOfLimits[f] = outOfLimits;
      BoardSwitched(b, before, out);
      return true;
    }
  }
  return false;
}

// Each switch changes one thing, so at most one of these events goes out.
void SimHead::BoardSwitched(std::size_t b, const BoardFaults& before, std::vector<std::string>& out) {
  const BoardFaults& now = boardFaults_[b];
  const SimBoard& board = model_.boards[b];
  const auto wrong = [](const BoardFaults& faults) {
    return faults.flags != 0 || std::find(faults.fieldOutOfLimits.begin(), faults.fieldOutOfLimits.end(),
                                          true) != faults.fieldOutOfLimits.end();
  };
  if (now.flags != 0 && now.flags != before.flags) {
    SendEvent(SimEvent::kWarning,
              "WARNING: BITE error on board " + board.shortName + ": " + FlagsText(now.flags), out);
  }
  for (std::size_t f = 0; f < board.fields.size(); ++f) {
    if (now.fieldOutOfLimits[f] && !before.fieldOutOfLimits[f]) {
      SendEvent(SimEvent::kWarning,
                "WARNING: BITE field " + board.shortName + "/" + board.fields[f].name + " out of limits",
                out);
    }
  }
  if (!wrong(before) || wrong(now)) {
    // Back from one fault while another of the board remains.
    if (before.flags != 0 && now.flags == 0) {
      SendEvent(SimEvent::kStateChange, "BITE error flags of board " + board.shortName + " cleared", out);
    }
    for (std::size_t f = 0; f < board.fields.size(); ++f) {
      if (before.fieldOutOfLimits[f] && !now.fieldOutOfLimits[f]) {
        SendEvent(SimEvent::kStateChange,
                  "BITE field " + board.shortName + "/" + board.fields[f].name + " within limits", out);
      }
    }
    return;
  }
  SendEvent(SimEvent::kStateChange, "BITE board " + board.shortName + " OK", out);
}

std::map<std::string, unsigned> SimHead::BoardsInError() const {
  std::map<std::string, unsigned> boards;
  for (std::size_t b = 0; b < model_.boards.size(); ++b) {
    if (boardFaults_[b].flags != 0) boards.emplace(model_.boards[b].shortName, boardFaults_[b].flags);
  }
  return boards;
}

std::vector<std::string> SimHead::FieldsOutOfLimits() const {
  std::vector<std::string> fields;
  for (std::size_t b = 0; b < model_.boards.size(); ++b) {
    for (std::size_t f = 0; f < model_.boards[b].fields.size(); ++f) {
      if (boardFaults_[b].fieldOutOfLimits[f])
        fields.push_back(model_.boards[b].shortName + "/" + model_.boards[b].fields[f].name);
    }
  }
  return fields;
}

// ---- Kept records ----

std::optional<std::string> SimHead::LastKeptRecord(std::uint32_t recordType) const {
  const auto found = keptRecords_.find(recordType);
  if (found == keptRecords_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> SimHead::LastKeptRemoteControl(std::uint32_t id) const {
  const auto found = keptRemoteControls_.find(id);
  if (found == keptRemoteControls_.end()) return std::nullopt;
  return found->second;
}

// ---- Events and records ----

std::optional<double> SimHead::Limited(std::string_view quantity, float requested, SimLimits limits,
                                       std::vector<std::string>& out) {
  if (std::isnan(requested)) {
    Warn(quantity, "nan", "", out);
    return std::nullopt;
  }
  const double applied = std::clamp(static_cast<double>(requested), limits.min, limits.max);
  if (applied != static_cast<double>(requested)) {
    Warn(quantity, ValueText(requested), ValueText(static_cast<float>(applied)), out);
  }
  return applied;
}

// "<quantity> <requested> clamped to <applied>", or "<quantity> <requested> ignored" when nothing
// was applied.
void SimHead::Warn(std::string_view quantity, std::string_view requested, std::string_view applied,
                   std::vector<std::string>& out) {
  std::string text = std::string(quantity) + " " + std::string(requested);
  text += applied.empty() ? " ignored" : " clamped to " + std::string(applied);
  SendEvent(SimEvent::kWarning, std::move(text), out);
}

void SimHead::SendEvent(std::uint16_t type, std::string text, std::vector<std::string>& out) {
  SimEvent event{++eventNumber_, type, std::move(text)};
  Send(zqwire::kEventRecordType, simrecords::EventData(event), out);
  Store(std::move(event));
}

void SimHead::AddGreetingEvent(std::uint16_t type, std::string text) {
  SimEvent event{++eventNumber_, type, std::move(text)};
  greetingEvents_.push_back(event);
  Store(std::move(event));
}

void SimHead::Store(SimEvent event) {
  events_.push_back(std::move(event));
  if (events_.size() > kEventsKept) events_.erase(events_.begin());
}

// A silent head still records: silence is a fault of its network side.
void SimHead::Send(std::uint32_t recordType, std::string_view dataSection, std::vector<std::string>& out) {
  std::string record =
      zqwire::BuildRecord(recordType, deviceId_, CurrentDeviceEnum(), dataSection, CExTime::GetCurTime());
  Record(recordType, record, out);
  if (!silent_) out.push_back(std::move(record));
}
