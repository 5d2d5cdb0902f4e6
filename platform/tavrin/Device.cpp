// Sending through the device's port, locked attribute reads, and the data time-out and buffer status.
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

void Device::SetDataTimeOut(std::chrono::milliseconds timeOut) {
  std::lock_guard lock(flowMutex_);
  timeOut_.SetLimit(timeOut);
}

std::chrono::milliseconds Device::GetDataTimeOut() const {
  std::lock_guard lock(flowMutex_);
  return std::chrono::duration_cast<std::chrono::milliseconds>(timeOut_.GetLimit());
}

void Device::DisableTimeOut(bool disable) {
  const auto now = DataTimeOut::Clock::now();
  std::lock_guard lock(flowMutex_);
  timeOut_.Disable(disable, now);
  // Only a time-out is withdrawn: a link that is down stays reported.
  if (bufferStatus_ == BufferStatus::kDataTimedOut && !timeOut_.HasExpired(now)) {
    SetBufferStatusLocked(BufferStatus::kDataFlowing);
  }
}

bool Device::IsTimeOutDisabled() const {
  std::lock_guard lock(flowMutex_);
  return timeOut_.IsDisabled();
}

std::optional<std::chrono::steady_clock::time_point> Device::GetLastDataTime() const {
  std::lock_guard lock(flowMutex_);
  return timeOut_.LastData();
}

std::optional<std::chrono::steady_clock::time_point> Device::GetTimeOutEnabledTime() const {
  std::lock_guard lock(flowMutex_);
  return timeOut_.LastEnabled();
}

void Device::OnSettingsData() {
  std::lock_guard lock(flowMutex_);
  timeOut_.NoteData(DataTimeOut::Clock::now());
  SetBufferStatusLocked(BufferStatus::kDataFlowing);
}

void Device::CheckDataFlow(const std::function<bool()>& portConnected, std::chrono::milliseconds atLeast) {
  std::lock_guard lock(flowMutex_);
  const auto now = DataTimeOut::Clock::now();
  const bool connected = portConnected && portConnected();
  if (connected && !portConnected_) timeOut_.RestartWait(now);
  portConnected_ = connected;
  if (!connected) {
    SetBufferStatusLocked(BufferStatus::kLinkDown);
  } else if (timeOut_.HasExpired(now, atLeast)) {
    SetBufferStatusLocked(BufferStatus::kDataTimedOut);
  } else {
    SetBufferStatusLocked(BufferStatus::kDataFlowing);
  }
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
