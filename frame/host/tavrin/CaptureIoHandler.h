// A plain (non-sonar) port that keeps every record handed to it: for dry runs and tests.
#pragma once

#include <mutex>
#include <vector>

#include "tavrin/BaseIOHandler.h"

class CaptureIoHandler : public BaseIOHandler {
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
