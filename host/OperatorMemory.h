// The operator's memory of the sonars: the history of every change applied to them, their saved
// profiles, and the restore of their settings after a power loss. It hears what the host applies and
// what the sonars report; whatever it changes on a sonar goes out as an ordinary change request of the
// host, so the records on the wire are those of any request.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ChangeConfirmations.h"
#include "host/ChangeHistory.h"
#include "host/ProfileStore.h"
#include "host/RequestOrigin.h"
#include "host/SettingsRestore.h"

class StateStore;

class OperatorMemory {
 public:
  // Hears what the memory changes; calls come on the thread of the change and must not block.
  class Listener {
   public:
    virtual ~Listener() = default;
    // A history entry was added, or confirmed (the same seq again): its JSON text.
    virtual void HistoryRecorded(const std::string& entry) = 0;
    // A sonar's restore offer came, changed or went.
    virtual void RestoreChanged(const std::string& device) = 0;
  };
  // Sends a change request to a sonar as the host does for the API; false when it was refused.
  using Requester = std::function<bool(const std::string& device, const CAttributeMap& request,
                                       const RequestOrigin& origin)>;

  struct Change {
    std::string key;
    COrvType from;  // the device's value before the change; without a type when it had none
    COrvType to;
    RequestOrigin origin;
  };

  OperatorMemory(StateStore* state, std::unique_ptr<ChangeHistory> history, Requester requester,
                 const std::function<void(const std::string&)>& report);
  // Before anything else happens to the memory; null: nobody hears.
  void SetListener(Listener* listener);
  // A sonar device (its key) whose settings are remembered and restored by mode.
  void AddSonar(const std::string& device, RestoreMode mode);
  bool Knows(const std::string& device) const;

  // The host applied changes to a sonar (each becomes a history entry, waiting for the sonar's word).
  void Applied(const std::string& device, const std::vector<Change>& changes);
  // The sonar's link connected.
  void Connected(const std::string& device);
  // A sonar reported its settings (only the keys a change request can set) and its ping number.
  void Reported(const std::string& device, const CAttributeMap& settings,
                std::optional<std::int64_t> pingNumber);
  // Writes the remembered settings that changed; the host calls it every second and when it stops.
  void Flush();

  const ChangeHistory& History() const { return *history_; }

  // Profiles. Each answer says why it could not be done.
  enum class Problem {
    kNone,
    kUnknownSonar,
    kBadName,
    kNoProfile,
    kNoSettings,
    kNotPending,
    kRefused,
    kNotStored
  };
  struct Result {
    Problem problem = Problem::kNone;
    std::string message;  // for the operator when problem is not kNone
  };
  struct Saved : Result {
    bool replaced = false;
    ProfileStore::Profile profile;
  };
  // Saves what the sonar reports now under name.
  Saved SaveProfile(const std::string& device, const std::string& name);
  std::vector<ProfileStore::Profile> Profiles(const std::string& device) const;
  struct Found : Result {
    ProfileStore::Profile profile;
  };
  Found FindProfile(const std::string& device, const std::string& name) const;
  struct Differences : Result {
    std::vector<SettingDifference> diff;
  };
  // The profile's values that the sonar does not report now.
  Differences DiffProfile(const std::string& device, const std::string& name) const;
  struct Sent : Result {
    std::vector<std::string> keys;  // the keys sent, in one request; none when nothing differed
  };
  Sent ApplyProfile(const std::string& device, const std::string& name, const RequestOrigin& origin);
  Result DeleteProfile(const std::string& device, const std::string& name);

  // Restore after a power loss.
  std::optional<SettingsRestore::Offer> RestoreOffer(const std::string& device) const;
  Sent ApplyRestore(const std::string& device, const RequestOrigin& origin);
  Result DismissRestore(const std::string& device);

 private:
  // The sonar's current settings; nothing before its first report.
  std::optional<CAttributeMap> Current(const std::string& device) const;
  Result CheckProfile(const std::string& device, const std::string& name) const;
  void Tell(const std::string& entry);
  void TellRestore(const std::string& device);

  const std::unique_ptr<ChangeHistory> history_;
  const Requester requester_;
  ProfileStore profiles_;
  SettingsRestore restore_;
  ChangeConfirmations confirmations_;
  Listener* listener_ = nullptr;
};
