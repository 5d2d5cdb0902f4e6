// History entries from applied changes and reports, profiles and restores sent as change requests.
#include "host/OperatorMemory.h"

#include <chrono>

#include "sim/PingLog.h"

namespace {

double EpochSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string NoProfile(const std::string& device, const std::string& name) {
  return "sonar " + device + " has no profile named \"" + name + "\"";
}

std::vector<std::string> KeysOf(const CAttributeMap& request) {
  std::vector<std::string> keys;
  for (const CAttributeMap::Entry& entry : request.Entries()) keys.push_back(entry.key.Str());
  return keys;
}

}  // namespace

OperatorMemory::OperatorMemory(StateStore* state, std::unique_ptr<ChangeHistory> history, Requester requester,
                               const std::function<void(const std::string&)>& report)
    : history_(std::move(history)),
      requester_(std::move(requester)),
      profiles_(state, report),
      restore_(state, report) {}

void OperatorMemory::SetListener(Listener* listener) {
  listener_ = listener;
}

void OperatorMemory::AddSonar(const std::string& device, RestoreMode mode) {
  profiles_.Load(device);
  restore_.AddDevice(device, mode);
}

bool OperatorMemory::Knows(const std::string& device) const {
  return restore_.Watches(device);
}

void OperatorMemory::Tell(const std::string& entry) {
  if (listener_ != nullptr) listener_->HistoryRecorded(entry);
}

void OperatorMemory::TellRestore(const std::string& device) {
  if (listener_ != nullptr) listener_->RestoreChanged(device);
}

void OperatorMemory::Applied(const std::string& device, const std::vector<Change>& changes) {
  const double now = SteadySeconds();
  const std::optional<CAttributeMap> current = Current(device);
  for (const Change& change : changes) {
    HistoryEntry entry;
    entry.time = EpochSeconds();
    entry.device = device;
    entry.key = change.key;
    entry.from = change.from;
    entry.to = change.to;
    entry.source = change.origin.source;
    entry.client = change.origin.client;
    const ChangeHistory::Appended appended = history_->Append(std::move(entry));
    Tell(appended.json);
    // Only a key the sonar reports can be confirmed.
    if (current && current->Has(change.key)) {
      confirmations_.Await({appended.seq, device, change.key, change.to, now});
    }
  }
}

void OperatorMemory::Connected(const std::string& device) {
  confirmations_.Forget(device);
  restore_.Connected(device);
}

void OperatorMemory::Reported(const std::string& device, const CAttributeMap& settings,
                              std::optional<std::int64_t> pingNumber) {
  if (!Knows(device)) return;
  const double now = SteadySeconds();
  for (const ChangeConfirmations::Confirmed& confirmed : confirmations_.Reported(device, settings, now)) {
    if (const std::optional<std::string> entry = history_->Confirm(confirmed.seq, confirmed.value))
      Tell(*entry);
  }
  SettingsRestore::Outcome outcome = restore_.Reported(device, settings, pingNumber, now);
  if (outcome.offerChanged) TellRestore(device);
  if (outcome.restore) requester_(device, *outcome.restore, RequestOrigin{"restore", {}});
}

void OperatorMemory::Flush() {
  restore_.Flush();
}

std::optional<CAttributeMap> OperatorMemory::Current(const std::string& device) const {
  return restore_.Current(device);
}

OperatorMemory::Result OperatorMemory::CheckProfile(const std::string& device,
                                                    const std::string& name) const {
  if (!Knows(device)) return {Problem::kUnknownSonar, "no sonar device has the key " + device};
  if (std::string problem = ProfileStore::NameProblem(name); !problem.empty()) {
    return {Problem::kBadName, std::move(problem)};
  }
  return {};
}

OperatorMemory::Saved OperatorMemory::SaveProfile(const std::string& device, const std::string& name) {
  Saved saved;
  static_cast<Result&>(saved) = CheckProfile(device, name);
  if (saved.problem != Problem::kNone) return saved;
  std::optional<CAttributeMap> current = Current(device);
  if (!current) {
    saved.problem = Problem::kNoSettings;
    saved.message = "sonar " + device + " has reported no settings yet";
    return saved;
  }
  saved.profile = {name, EpochSeconds(), std::move(*current)};
  std::string error;
  switch (profiles_.Save(device, saved.profile, error)) {
    case ProfileStore::Saved::kCreated:
      break;
    case ProfileStore::Saved::kReplaced:
      saved.replaced = true;
      break;
    case ProfileStore::Saved::kFailed:
      saved.problem = Problem::kNotStored;
      saved.message = "the profile cannot be stored: " + error;
      break;
  }
  return saved;
}

std::vector<ProfileStore::Profile> OperatorMemory::Profiles(const std::string& device) const {
  return profiles_.List(device);
}

OperatorMemory::Found OperatorMemory::FindProfile(const std::string& device, const std::string& name) const {
  Found found;
  static_cast<Result&>(found) = CheckProfile(device, name);
  if (found.problem != Problem::kNone) return found;
  std::optional<ProfileStore::Profile> profile = profiles_.Find(device, name);
  if (!profile) return {{Problem::kNoProfile, NoProfile(device, name)}, {}};
  found.profile = std::move(*profile);
  return found;
}

OperatorMemory::Differences OperatorMemory::DiffProfile(const std::string& device,
                                                        const std::string& name) const {
  Differences differences;
  const Found found = FindProfile(device, name);
  if (found.problem != Problem::kNone) return {found, {}};
  differences.diff = DiffSettings(found.profile.settings, Current(device).value_or(CAttributeMap()));
  return differences;
}

OperatorMemory::Sent OperatorMemory::ApplyProfile(const std::string& device, const std::string& name,
                                                  const RequestOrigin& origin) {
  Sent sent;
  Differences differences = DiffProfile(device, name);
  static_cast<Result&>(sent) = differences;
  if (sent.problem != Problem::kNone || differences.diff.empty()) return sent;
  const CAttributeMap request = RequestOf(differences.diff);
  if (!requester_(device, request, origin)) {
    sent.problem = Problem::kRefused;
    sent.message = "the host did not take the profile's request";
    return sent;
  }
  sent.keys = KeysOf(request);
  return sent;
}

OperatorMemory::Result OperatorMemory::DeleteProfile(const std::string& device, const std::string& name) {
  Result result = CheckProfile(device, name);
  if (result.problem != Problem::kNone) return result;
  std::string error;
  switch (profiles_.Delete(device, name, error)) {
    case ProfileStore::Deleted::kDeleted:
      return {};
    case ProfileStore::Deleted::kNotFound:
      return {Problem::kNoProfile, NoProfile(device, name)};
    case ProfileStore::Deleted::kFailed:
      break;
  }
  return {Problem::kNotStored, "the profile cannot be deleted: " + error};
}

std::optional<SettingsRestore::Offer> OperatorMemory::RestoreOffer(const std::string& device) const {
  return restore_.Get(device);
}

OperatorMemory::Sent OperatorMemory::ApplyRestore(const std::string& device, const RequestOrigin& origin) {
  Sent sent;
  if (!Knows(device)) return {{Problem::kUnknownSonar, "no sonar device has the key " + device}, {}};
  const std::optional<CAttributeMap> request = restore_.Take(device, SteadySeconds());
  if (!request) return {{Problem::kNotPending, "no restore is pending for sonar " + device}, {}};
  TellRestore(device);
  if (!requester_(device, *request, RequestOrigin{"restore", origin.client})) {
    return {{Problem::kRefused, "the host did not take the restore's request"}, {}};
  }
  sent.keys = KeysOf(*request);
  return sent;
}

OperatorMemory::Result OperatorMemory::DismissRestore(const std::string& device) {
  if (!Knows(device)) return {Problem::kUnknownSonar, "no sonar device has the key " + device};
  if (restore_.Dismiss(device)) TellRestore(device);
  return {};
}
