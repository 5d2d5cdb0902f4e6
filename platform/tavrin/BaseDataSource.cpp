// The locked current data block and buffer status of a device.
#include "platform/tavrin/BaseDataSource.h"

#include "platform/tavrin/CExTime.h"

void BaseDataSource::SetDataBlock(CDataBlock block) {
  std::lock_guard lock(mutex_);
  settings_ = std::move(block);
}

bool BaseDataSource::ReadDataBlock(int selector, CDataBlock& block) const {
  if (selector != kCurrentSettingsBlock) return false;
  std::lock_guard lock(mutex_);
  if (!settings_) return false;
  block = *settings_;
  return true;
}

bool BaseDataSource::GetBufferStatus(double& time, unsigned short& status) const {
  std::lock_guard lock(mutex_);
  if (!hasStatus_) return false;
  time = statusTime_;
  status = status_;
  return true;
}

void BaseDataSource::SetBufferStatus(unsigned short status) {
  const double now = CExTime::GetCurTime();
  std::lock_guard lock(mutex_);
  hasStatus_ = true;
  status_ = status;
  statusTime_ = now;
}
