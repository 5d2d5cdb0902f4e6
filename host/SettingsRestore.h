// Restore after a power loss: the host remembers each sonar's last reported settings. When the sonar
// comes back (a new connection, or its ping number starting again) reporting other settings, as a head
// does that lost power and started at its own defaults, the host offers to put the remembered settings
// back, or does so at once, as the device's configuration says. While an offer waits, and for a while
// after a restore was sent, the remembered settings stay as they were: the sonar's defaults must not
// become what is remembered.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/SettingsDiff.h"
#include "platform/tavrin/CAttributeMap.h"

class StateStore;

enum class RestoreMode { kOffer, kAuto, kOff };

class SettingsRestore {
 public:
  // How long after a restore was sent the remembered settings wait for the sonar to report them.
  static constexpr double kSettleSeconds = 10.0;

  struct Offer {
    RestoreMode mode = RestoreMode::kOffer;
    bool pending = false;
    std::vector<SettingDifference> diff;  // wanted: remembered; empty unless pending
  };
  // What a report asks of the host.
  struct Outcome {
    bool offerChanged = false;             // the device's offer came, changed or went
    std::optional<CAttributeMap> restore;  // send this request now (a restore in "auto" mode)
  };

  // state may be null: nothing is remembered across restarts. Problems are told on report.
  SettingsRestore(StateStore* state, std::function<void(const std::string&)> report);

  // A sonar device to watch, with what was remembered of it in the state folder. Its first report
  // is taken as a comeback (the host may have been down while the sonar lost power).
  void AddDevice(const std::string& device, RestoreMode mode);
  // The sonar's link connected: its next report shows whether it comes back changed.
  void Connected(const std::string& device);
  // The settings a sonar reported (only keys a request can set), its ping number, and the time in
  // seconds on a steady clock.
  Outcome Reported(const std::string& device, const CAttributeMap& settings,
                   std::optional<std::int64_t> pingNumber, double now);

  bool Watches(const std::string& device) const;
  // What the sonar reports now: nothing for a device that is not watched or has reported nothing yet.
  std::optional<CAttributeMap> Current(const std::string& device) const;
  // Nothing for a device that is not watched.
  std::optional<Offer> Get(const std::string& device) const;
  // Takes the pending offer as one request of the remembered values that differ; nothing when none is
  // pending. The remembered settings then wait for the sonar to report them.
  std::optional<CAttributeMap> Take(const std::string& device, double now);
  // Withdraws the pending offer: what the sonar reports is remembered from now on. False when none was.
  bool Dismiss(const std::string& device);

  // Writes the remembered settings that changed since they were last written.
  void Flush();

 private:
  struct Sonar {
    RestoreMode mode = RestoreMode::kOffer;
    CAttributeMap remembered;
    CAttributeMap current;
    std::optional<std::int64_t> lastPing;
    bool returning = true;
    bool pending = false;
    std::vector<SettingDifference> offered;  // the differences last told, while pending
    std::optional<double> settleUntil;       // a restore was sent: the remembered settings wait till then
    bool unwritten = false;
  };
  // What the sonar reports becomes what is remembered.
  static void Follow(Sonar& sonar);

  StateStore* const state_;
  const std::function<void(const std::string&)> report_;
  mutable std::mutex mutex_;
  std::map<std::string, Sonar> sonars_;
};
