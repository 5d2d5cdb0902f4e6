// An implementation of a record-sending interface (a port, a transport) that keeps every record handed
// to it, in order, for whoever reads them back from another thread. For dry runs and tests.
#pragma once

#include <mutex>
#include <vector>

#include "platform/afx/CString.h"

template <typename SendInterface>
class RecordCapture : public SendInterface {
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
