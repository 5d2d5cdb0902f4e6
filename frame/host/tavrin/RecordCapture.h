// Keeps every record handed to it, in order, for whoever reads them back from another thread.
#pragma once

#include <mutex>
#include <vector>

#include "afx/CString.h"

class RecordCapture {
 public:
  void Keep(const CString& record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
  }

  std::vector<CString> Records() const {
    std::lock_guard lock(mutex_);
    return records_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<CString> records_;
};
