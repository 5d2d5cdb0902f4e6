// Matching change requests with the settings a sonar reports afterwards.
#include "host/ChangeConfirmations.h"

#include "host/SettingsDiff.h"

void ChangeConfirmations::Await(Awaited change) {
  std::lock_guard lock(mutex_);
  waiting_.push_back(std::move(change));
}

void ChangeConfirmations::Forget(const std::string& device) {
  std::lock_guard lock(mutex_);
  std::erase_if(waiting_, [&](const Awaited& change) { return change.device == device; });
}

std::vector<ChangeConfirmations::Confirmed> ChangeConfirmations::Reported(const std::string& device,
                                                                          const CAttributeMap& reported,
                                                                          double now) {
  std::vector<Confirmed> confirmed;
  std::lock_guard lock(mutex_);
  std::erase_if(waiting_, [&](const Awaited& change) {
    if (now - change.applied > kLongestWait) return true;
    if (change.device != device || !reported.Has(change.key)) return false;
    const COrvType& value = reported.FindValue(change.key);
    if (!SameSetting(value, change.requested) && now - change.applied < kSettleSeconds) return false;
    confirmed.push_back({change.seq, value});
    return true;
  });
  return confirmed;
}

std::size_t ChangeConfirmations::Waiting() const {
  std::lock_guard lock(mutex_);
  return waiting_.size();
}
