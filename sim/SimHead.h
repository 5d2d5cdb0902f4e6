// One simulated sonar head: applies the records the host sends within the limits of its model,
// pings on its own schedule, and produces the records a head sends (settings, configuration, BITE
// results, events) as whole records with checksums.
//
// The head keeps no clock and does no networking: whoever runs it passes the steady time in
// (SteadySeconds of the ping log) and sends what it appends to `out`. Not thread-safe; one thread
// drives a head.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/zq/ZqSettingsRecord.h"
#include "sim/PingTiming.h"
#include "sim/SimModel.h"
#include "sim/SimRecordingFile.h"
#include "sim/SimRecords.h"

class SimHead {
 public:
  // The model's setting set i answers under device enum baseDeviceEnum + i. The head starts pinging,
  // free-running at the first setting set's default maximum ping rate, with every setting at its
  // factory value. Its recordings go under `recordFolder`, in the directory the host sets.
  SimHead(SimModel model, std::uint16_t baseDeviceEnum, std::uint32_t deviceId, std::string name,
          std::filesystem::path recordFolder);

  // Recording states, as the settings report them.
  static constexpr std::uint32_t kNotRecording = 0;
  static constexpr std::uint32_t kRecording = 1;
  static constexpr std::uint32_t kDiskFull = 2;
  static constexpr std::uint32_t kWriteError = 3;

  const std::string& Name() const { return name_; }
  std::uint32_t DeviceId() const { return deviceId_; }
  std::uint16_t BaseDeviceEnum() const { return baseDeviceEnum_; }
  std::uint16_t CurrentDeviceEnum() const { return static_cast<std::uint16_t>(baseDeviceEnum_ + setIndex_); }
  const SimModel& Model() const { return model_; }

  // Applies one record from the host, already found whole and with a good checksum by the reader.
  // The header's device identifier is not looked at (the caller routes by it). Fields that do not
  // fit inside `record` are missing: a remote control with a short payload changes nothing. `now`
  // is the steady time the record arrived. Answers, warnings and events are appended to `out`.
  void Apply(std::span<const std::byte> record, double now, std::vector<std::string>& out);
  // A host connected: the configuration (7003), the settings (7503), then the greeting events.
  void OnConnect(std::vector<std::string>& out);

  // When the next ping may be transmitted: free-running, one ping per period, the period being the
  // longer of 1 / maximum ping rate and the two-way travel time of the range; with a maximum ping
  // rate of 0, once per trigger that came while no ping was in progress. Nothing while pinging is
  // off, while a ping is in progress, or while no trigger is pending. The time may lie before `now`: then at
  // once.
  std::optional<double> NextPingStart(double now) const;
  // Transmits a ping at `now` (the caller asked NextPingStart first); its listening window closes
  // two-way travel time later. Takes the pending trigger when the maximum ping rate is 0.
  PingTiming StartPing(double now);
  // The listening window of `ping` closed: its settings record (7000) goes to `out` (and, while
  // recording, into the file).
  void FinishPing(const PingTiming& ping, std::vector<std::string>& out);

  // Closes the recording file, when recording, with the event saying so (the server stops).
  void StopRecording(std::vector<std::string>& out);
  // The head lost power and started again: every setting set back at its factory settings, the first
  // set in use, the sonar's own sound velocity, pinging free-running from ping 1 again, no recording.
  // Its boards' faults and its greeting events stay: they belong to the hardware and the test.
  void PowerCycle(std::vector<std::string>& out);

  // BITE results of every board (7021).
  void Bite(std::vector<std::string>& out);

  // Faults, each switch sending its event at once. A board in error reports `flags` (bits: uplink,
  // downlink, BITE error; 0 clears). A field out of limits reports a value above its upper limit, and
  // its board a BITE error; only measured fields (those with limits) can be. Into error: a warning
  // whose text begins "WARNING: BITE"; back: "BITE board TX1 OK" once nothing of the board is wrong
  // any more. A switch to what is set already sends nothing. False, with nothing changed, when the
  // model has no such board or field.
  bool SetBoardError(std::string_view board, unsigned flags, std::vector<std::string>& out);
  bool SetFieldOutOfLimits(std::string_view board, std::string_view field, bool outOfLimits,
                           std::vector<std::string>& out);
  // A silent head sends nothing at all but goes on applying records and pinging.
  void SetSilent(bool silent) { silent_ = silent; }
  // The switches as they are: the boards in error with their flags, the fields out of limits as
  // "BOARD/FIELD" (in the model's order), silence.
  std::map<std::string, unsigned> BoardsInError() const;
  std::vector<std::string> FieldsOutOfLimits() const;
  bool Silent() const { return silent_; }

  // Sends one event (7051) now; it also joins the stored events that a 7050 lists.
  void SendEvent(std::uint16_t type, std::string text, std::vector<std::string>& out);
  // An event every host gets when it connects, after the configuration and settings: numbered and
  // stored now, and sent again with the same number at each connection.
  void AddGreetingEvent(std::uint16_t type, std::string text);

  // The sonar's range limits of a setting set change (as after a hardware change): the range in use
  // is brought inside them and the new configuration (7003) goes to `out`. False when there is no
  // such setting set or the limits are empty.
  bool SetRangeLimits(std::size_t settingSet, SimLimits limits, std::vector<std::string>& out);

  // The settings as the next settings record will carry them (ping number of the latest ping).
  zqwire::ZqPingSettings Settings() const;
  bool Pinging() const { return pinging_; }
  bool PingInProgress() const { return pingInProgress_; }
  // The record types to record, as last set by the host.
  const std::vector<std::uint32_t>& RecordedTypes() const { return recordedTypes_; }
  // The latest record of a type the head has no use for (whole), and the latest payload of a
  // remote control it has no use for.
  std::optional<std::string> LastKeptRecord(std::uint32_t recordType) const;
  std::optional<std::string> LastKeptRemoteControl(std::uint32_t id) const;

 private:
  // The settings of one setting set; each set keeps its own while another is in use. Angles in
  // degrees.
  struct SetState {
    double frequencyHz = 0.0;
    double rangeM = 0.0;
    double powerDb = 0.0;
    double pulseLengthS = 0.0;
    bool fmPulse = false;
    std::uint32_t gainMode = 0;
    double tvgGainDb = 0.0;
    double fixedGainDb = 0.0;
    double maxPingRate = 0.0;
    double beamWidthXDeg = 0.0;
    double beamWidthZDeg = 0.0;
    double verticalSteeringDeg = 0.0;
    double horizontalSteeringDeg = 0.0;
    double absorptionDbPerKm = 0.0;
    double spreadingDb = 0.0;
  };
  struct BoardFaults {
    std::uint8_t flags = 0;
    std::vector<bool> fieldOutOfLimits;
  };

  static SetState FactorySettings(const SimSettingSet& set);
  const SimSettingSet& Set() const { return model_.settingSets[setIndex_]; }
  SetState& State() { return states_[setIndex_]; }
  const SetState& State() const { return states_[setIndex_]; }
  double SoundVelocity() const;
  double TwoWayTime() const;

  void ApplyRemoteControl(std::uint32_t id, std::span<const std::byte> payload, double now,
                          std::vector<std::string>& out);
  void ApplyTransmitSetting(std::uint32_t id, std::span<const std::byte> payload,
                            std::vector<std::string>& out);
  void ApplyBeamSetting(std::uint32_t id, std::span<const std::byte> payload, std::vector<std::string>& out);
  void ApplyRecordingControl(std::uint32_t id, std::span<const std::byte> payload,
                             std::vector<std::string>& out);
  void ApplySoundVelocity(std::span<const std::byte> payload, std::vector<std::string>& out);
  void SwitchSettingSet(std::int32_t deviceEnum, std::vector<std::string>& out);
  void SetPinging(bool on, std::vector<std::string>& out);
  void Answer(std::uint32_t recordType, std::vector<std::string>& out);

  // `requested` within limits, with a warning when it was clamped; nothing (and a warning) when it is
  // not a number.
  std::optional<double> Limited(std::string_view quantity, float requested, SimLimits limits,
                                std::vector<std::string>& out);
  void Warn(std::string_view quantity, std::string_view requested, std::string_view applied,
            std::vector<std::string>& out);
  // The events of a board whose switches changed from `before`.
  void BoardSwitched(std::size_t board, const BoardFaults& before, std::vector<std::string>& out);
  // Keeps an event among the latest ones, which a 7050 lists.
  void Store(SimEvent event);
  void Send(std::uint32_t recordType, std::string_view dataSection, std::vector<std::string>& out);
  void StartRecording(std::string fileName, std::vector<std::string>& out);
  // Writes a record the head sends into the file when recording and its type is one to record.
  void Record(std::uint32_t recordType, const std::string& record, std::vector<std::string>& out);
  // Recording stopped on `problem` with the file at `path`: an error event and state 2 or 3.
  void RecordingFailed(const std::filesystem::path& path, const SimFileProblem& problem,
                       std::vector<std::string>& out);
  std::filesystem::path RecordingFolder() const;

  SimModel model_;
  std::uint16_t baseDeviceEnum_;
  std::uint32_t deviceId_;
  std::string name_;
  bool silent_ = false;

  std::size_t setIndex_ = 0;
  std::vector<SetState> states_;
  double manualSoundVelocity_;
  bool soundVelocityOverride_ = false;
  std::uint8_t soundVelocityFilter_ = 0;

  bool pinging_ = true;
  bool pingInProgress_ = false;
  bool triggerPending_ = false;
  double triggerTime_ = 0.0;
  std::uint32_t pingNumber_ = 0;  // of the latest ping
  std::optional<double> lastPingStart_;
  double lastPingEnd_ = 0.0;

  std::filesystem::path recordFolder_;
  std::uint32_t recordingState_ = kNotRecording;
  std::string directory_;  // as the host set it; one that leaves the recording folder is not used
  std::string fileName_;
  std::filesystem::path filePath_;
  SimRecordingFile file_;
  std::uint64_t fileSize_ = 0;
  std::vector<std::uint32_t> recordedTypes_;

  std::uint32_t eventNumber_ = 0;  // of the latest event
  std::vector<SimEvent> events_;   // the latest events, oldest first
  std::vector<SimEvent> greetingEvents_;
  std::vector<BoardFaults> boardFaults_;
  std::uint32_t biteCount_ = 0;
  std::map<std::uint32_t, std::string> keptRecords_;
  std::map<std::uint32_t, std::string> keptRemoteControls_;
};
