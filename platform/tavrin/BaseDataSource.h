// A device's data buffer: the current settings data block and the buffer status, shared between the
// thread that decodes the device's records and the threads of its data subscribers.
#pragma once

#include <mutex>
#include <optional>

#include "platform/tavrin/CDataBlock.h"

// Buffer status values of a sonar device's data buffer, as the host sets them and a ping sequence
// reads them: anything but kDataFlowing means the sonar's data is not to be waited for.
namespace BufferStatus {
inline constexpr unsigned short kDataFlowing = 0;   // the link is up and data came within the time-out
inline constexpr unsigned short kLinkDown = 1;      // the sonar's link is not connected
inline constexpr unsigned short kDataTimedOut = 2;  // the link is up but data stayed away too long
}  // namespace BufferStatus

class BaseDataSource {
 public:
  // Data-block selector of the current settings block.
  static constexpr int kCurrentSettingsBlock = 3;

  // Replaces the current settings block.
  void SetDataBlock(CDataBlock block);
  // Copies the block that selector names into block. False (block untouched) for another selector, or
  // before any block was set.
  bool ReadDataBlock(int selector, CDataBlock& block) const;

  // The buffer status and the host time at which it was set. False before any status was set.
  bool GetBufferStatus(double& time, unsigned short& status) const;
  void SetBufferStatus(unsigned short status);

 private:
  mutable std::mutex mutex_;
  std::optional<CDataBlock> settings_;
  bool hasStatus_ = false;
  unsigned short status_ = 0;
  double statusTime_ = 0.0;
};
