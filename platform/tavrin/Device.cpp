// Sending through the device's port, locked attribute reads, and the data time-out and buffer status,
// which change as the link, the data and the time-out's timer report, never by looking.
#include "platform/tavrin/Device.h"

#include <memory>
#include <mutex>

#include "platform/tavrin/BaseIOHandler.h"
#include "platform/tavrin/NotificationInfo.h"
#include "platform/tavrin/SubscriptionManager.h"

bool Device::DoOutput(long /*mode*/) {
  return port_ != nullptr && port_->Flush();
}

bool Device::SendMessage(const CString& record, bool /*flag*/) {
  if (port_ == nullptr) return false;
  return port_->Send(record);
}

template <typename T>
bool Device::ReadAttribute(const CString& key, T& value, unsigned& flags) const {
  std::lock_guard lock(GetAttribLock());
  return GetAttributes().GetAttribValue(key, value, flags);
}

bool Device::GetAttribValue(const CString& key, bool& value, unsigned& flags) const {
  return ReadAttribute(key, value, flags);
}

bool Device::GetAttribValue(const CString& key, int& value, unsigned& flags) const {
  return ReadAttribute(key, value, flags);
}

bool Device::GetAttribValue(const CString& key, double& value, unsigned& flags) const {
  return ReadAttribute(key, value, flags);
}

Device::~Device() {
  StopDataTimeOut();
}

void Device::SetDataTimeOut(std::chrono::milliseconds timeOut) {
  std::lock_guard lock(flowMutex_);
  timeOut_.SetLimit(timeOut);
  ArmTimeOutLocked();
}

std::chrono::milliseconds Device::GetDataTimeOut() const {
  std::lock_guard lock(flowMutex_);
  return std::chrono::duration_cast<std::chrono::milliseconds>(timeOut_.GetLimit());
}

void Device::RunDataTimeOut(TimerQueue& timers, TimeOutFloor floor) {
  StopDataTimeOut();
  auto timer = std::make_unique<TimerQueue::Timer>(timers, [this] { OnTimeOutTimer(); });
  std::lock_guard lock(flowMutex_);
  floor_ = std::move(floor);
  timeOutTimer_ = std::move(timer);
  ArmTimeOutLocked();
}

void Device::StopDataTimeOut() {
  std::unique_ptr<TimerQueue::Timer> timer;
  {
    std::lock_guard lock(flowMutex_);
    timer = std::move(timeOutTimer_);
  }
  // Outside the lock: a judgement under way takes it, and the timer's end waits for that.
  timer.reset();
}

void Device::DisableTimeOut(bool disable) {
  const auto now = DataTimeOut::Clock::now();
  std::lock_guard lock(flowMutex_);
  // A ping sequence says this for every sonar at every trigger: only a change moves the timer.
  if (timeOut_.IsDisabled() == disable) return;
  timeOut_.Disable(disable, now);
  // Only a time-out is withdrawn: a link that is down stays reported.
  if (disable && bufferStatus_ == BufferStatus::kDataTimedOut)
    SetBufferStatusLocked(BufferStatus::kDataFlowing);
  ArmTimeOutLocked();
}

bool Device::IsTimeOutDisabled() const {
  std::lock_guard lock(flowMutex_);
  return timeOut_.IsDisabled();
}

void Device::SetLinkConnected(bool connected) {
  const auto now = DataTimeOut::Clock::now();
  std::lock_guard lock(flowMutex_);
  linkConnected_ = connected;
  if (connected) timeOut_.RestartWait(now);
  SetBufferStatusLocked(connected ? BufferStatus::kDataFlowing : BufferStatus::kLinkDown);
  ArmTimeOutLocked();
}

void Device::OnSettingsData() {
  const auto now = DataTimeOut::Clock::now();
  std::lock_guard lock(flowMutex_);
  timeOut_.NoteData(now);
  linkConnected_ = true;  // settings data comes over a connected link only
  SetBufferStatusLocked(BufferStatus::kDataFlowing);
  ArmTimeOutLocked();
}

void Device::ArmTimeOutLocked() {
  if (!timeOutTimer_) return;
  // The time-out set is the earliest it can run out; the floor is asked when it does.
  const auto expiresAt = linkConnected_ ? timeOut_.ExpiresAt() : std::nullopt;
  if (expiresAt) {
    timeOutTimer_->Arm(*expiresAt);
  } else {
    timeOutTimer_->Disarm();
  }
}

void Device::OnTimeOutTimer() {
  TimeOutFloor floor;
  {
    std::lock_guard lock(flowMutex_);
    floor = floor_;
  }
  // Outside the lock: the floor reads the device's settings and attributes under their own locks.
  const std::chrono::milliseconds atLeast = floor ? floor(*this) : std::chrono::milliseconds::zero();
  std::lock_guard lock(flowMutex_);
  if (!linkConnected_ || !timeOutTimer_) return;
  if (timeOut_.HasExpired(DataTimeOut::Clock::now(), atLeast)) {
    SetBufferStatusLocked(BufferStatus::kDataTimedOut);
    return;
  }
  // Not yet: the sonar's ping holds it up, or data came meanwhile.
  if (const auto expiresAt = timeOut_.ExpiresAt(atLeast)) timeOutTimer_->Arm(*expiresAt);
}

void Device::SetBufferStatus(unsigned short status) {
  std::lock_guard lock(flowMutex_);
  SetBufferStatusLocked(status);
}

void Device::SetBufferStatusLocked(unsigned short status) {
  if (bufferStatus_ == status) return;
  bufferStatus_ = status;
  dataSource_.SetBufferStatus(status);
  // Published under the lock, so that subscribers hear the changes in the order they were made.
  SubscriptionManager::Instance().Publish(
      std::make_shared<DataId_NI>(NotificationKind::kDataBuffer, GetDataId().GetKey(), GetDataId()));
}
