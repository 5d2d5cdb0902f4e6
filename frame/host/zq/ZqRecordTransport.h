// Where a sonar socket hands the records it sends: the TCP link to a processing unit, or a capture.
#pragma once

#include <mutex>
#include <vector>

#include "afx/CString.h"

class ZqRecordTransport {
 public:
  virtual ~ZqRecordTransport() = default;
  // Takes one record, exactly as built. Returns whether it was taken.
  virtual bool Send(const CString& record) = 0;
};

// Keeps every record handed to it, in order.
class ZqCaptureTransport : public ZqRecordTransport {
 public:
  bool Send(const CString& record) override {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
    return true;
  }

  std::vector<CString> Records() const {
    std::lock_guard lock(mutex_);
    return records_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<CString> records_;
};
