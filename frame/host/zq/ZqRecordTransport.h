// Where a sonar socket hands the records it sends: the TCP link to a processing unit, or a capture.
#pragma once

#include "afx/CString.h"
#include "tavrin/RecordCapture.h"

class ZqRecordTransport {
 public:
  virtual ~ZqRecordTransport() = default;
  // Takes one record, exactly as built. Returns whether it was taken.
  virtual bool Send(const CString& record) = 0;
};

// Keeps every record handed to it, in order.
using ZqCaptureTransport = RecordCapture<ZqRecordTransport>;
