// Remembering a sonar's settings and noticing when it comes back without them.
#include "host/SettingsRestore.h"

#include "host/StateStore.h"
#include "platform/tavrin/AttributeMapJson.h"

namespace {

std::string RememberedFileOf(const std::string& device) {
  return "remembered-" + device + ".json";
}

bool SameDifferences(const std::vector<SettingDifference>& a, const std::vector<SettingDifference>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].key != b[i].key || !SameSetting(a[i].current, b[i].current)) return false;
  }
  return true;
}

}  // namespace

SettingsRestore::SettingsRestore(StateStore* state, std::function<void(const std::string&)> report)
    : state_(state), report_(std::move(report)) {}

void SettingsRestore::AddDevice(const std::string& device, RestoreMode mode) {
  Sonar sonar;
  sonar.mode = mode;
  std::string text;
  std::string problem;
  if (state_ != nullptr && state_->ReadNamed(RememberedFileOf(device), text, problem)) {
    const AttributeMapParseResult read = ReadAttributeMapJson(text, sonar.remembered);
    if (!read.ok) report_(state_->SetAsideNamed(RememberedFileOf(device), read.error));
  } else if (!problem.empty()) {
    report_(problem);
  }
  std::lock_guard lock(mutex_);
  sonars_[device] = std::move(sonar);
}

void SettingsRestore::Connected(const std::string& device) {
  std::lock_guard lock(mutex_);
  if (const auto found = sonars_.find(device); found != sonars_.end()) found->second.returning = true;
}

void SettingsRestore::Follow(Sonar& sonar) {
  if (sonar.remembered == sonar.current) return;
  sonar.remembered = sonar.current;
  sonar.unwritten = true;
}

SettingsRestore::Outcome SettingsRestore::Reported(const std::string& device, const CAttributeMap& settings,
                                                   std::optional<std::int64_t> pingNumber, double now) {
  std::lock_guard lock(mutex_);
  const auto found = sonars_.find(device);
  if (found == sonars_.end()) return {};
  Sonar& sonar = found->second;
  sonar.current.Merge(settings);
  const bool pingsAgain = pingNumber && sonar.lastPing && *pingNumber < *sonar.lastPing;
  const bool comeback = std::exchange(sonar.returning, false) || pingsAgain;
  if (pingNumber) sonar.lastPing = pingNumber;

  Outcome outcome;
  const std::vector<SettingDifference> diff = DiffSettings(sonar.remembered, sonar.current);
  if (sonar.pending) {
    // The offer follows what the sonar reports; once nothing differs there is nothing to offer.
    outcome.offerChanged = !SameDifferences(diff, sonar.offered);
    sonar.offered = diff;
    if (diff.empty()) sonar.pending = false;
    return outcome;
  }
  // A comeback ends the wait for a restore sent before it: the sonar lost that one too.
  if (comeback) sonar.settleUntil.reset();
  if (sonar.settleUntil) {
    if (!diff.empty() && now < *sonar.settleUntil) return outcome;
    sonar.settleUntil.reset();
  } else if (comeback && sonar.mode != RestoreMode::kOff && !sonar.remembered.Entries().empty() &&
             !diff.empty()) {
    if (sonar.mode == RestoreMode::kAuto) {
      outcome.restore = RequestOf(diff);
      sonar.settleUntil = now + kSettleSeconds;
    } else {
      sonar.pending = true;
      sonar.offered = diff;
      outcome.offerChanged = true;
    }
    return outcome;
  }
  Follow(sonar);
  return outcome;
}

bool SettingsRestore::Watches(const std::string& device) const {
  std::lock_guard lock(mutex_);
  return sonars_.contains(device);
}

std::optional<CAttributeMap> SettingsRestore::Current(const std::string& device) const {
  std::lock_guard lock(mutex_);
  const auto found = sonars_.find(device);
  if (found == sonars_.end() || found->second.current.Entries().empty()) return std::nullopt;
  return found->second.current;
}

std::optional<SettingsRestore::Offer> SettingsRestore::Get(const std::string& device) const {
  std::lock_guard lock(mutex_);
  const auto found = sonars_.find(device);
  if (found == sonars_.end()) return std::nullopt;
  const Sonar& sonar = found->second;
  Offer offer{sonar.mode, sonar.pending, {}};
  if (sonar.pending) offer.diff = DiffSettings(sonar.remembered, sonar.current);
  return offer;
}

std::optional<CAttributeMap> SettingsRestore::Take(const std::string& device, double now) {
  std::lock_guard lock(mutex_);
  const auto found = sonars_.find(device);
  if (found == sonars_.end() || !found->second.pending) return std::nullopt;
  Sonar& sonar = found->second;
  sonar.pending = false;
  sonar.settleUntil = now + kSettleSeconds;
  return RequestOf(DiffSettings(sonar.remembered, sonar.current));
}

bool SettingsRestore::Dismiss(const std::string& device) {
  std::lock_guard lock(mutex_);
  const auto found = sonars_.find(device);
  if (found == sonars_.end() || !found->second.pending) return false;
  found->second.pending = false;
  Follow(found->second);
  return true;
}

void SettingsRestore::Flush() {
  if (state_ == nullptr) return;
  std::vector<std::pair<std::string, std::string>> due;
  {
    std::lock_guard lock(mutex_);
    for (auto& [device, sonar] : sonars_) {
      if (!std::exchange(sonar.unwritten, false)) continue;
      due.emplace_back(device, WriteAttributeMapJson(sonar.remembered, 2));
    }
  }
  for (const auto& [device, text] : due) {
    std::string error;
    if (!state_->WriteNamed(RememberedFileOf(device), text + "\n", error)) {
      report_(error);
      std::lock_guard lock(mutex_);
      sonars_[device].unwritten = true;  // tried again at the next flush
    }
  }
}
