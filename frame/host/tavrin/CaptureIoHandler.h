// A plain (non-sonar) port that keeps every record handed to it: for dry runs and tests.
#pragma once

#include "tavrin/BaseIOHandler.h"
#include "tavrin/RecordCapture.h"

class CaptureIoHandler : public BaseIOHandler {
 public:
  bool Send(const CString& record) override {
    capture_.Keep(record);
    return true;
  }

  std::vector<CString> Records() const { return capture_.Records(); }

 private:
  RecordCapture capture_;
};
