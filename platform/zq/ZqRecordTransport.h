// Where a sonar socket hands the records it sends, and from where it hears the records a sonar sends:
// the TCP link to a processing unit, or a capture.
#pragma once

#include <cstddef>
#include <functional>
#include <span>

#include "platform/afx/CString.h"
#include "platform/tavrin/RecordCapture.h"

class ZqRecordTransport {
 public:
  // Called with each valid record received, whole, on the transport's I/O thread.
  using Receiver = std::function<void(std::span<const std::byte> record)>;

  virtual ~ZqRecordTransport() = default;
  // Takes one record, exactly as built. Returns whether it was taken.
  virtual bool Send(const CString& record) = 0;
  // Sets who hears received records; set before the transport starts. A transport that receives
  // nothing ignores it.
  virtual void SetReceiver(Receiver /*receiver*/) {}
  // Stops receiving: when this returns, the receiver is not called any more.
  virtual void Stop() {}
};

// Keeps every record handed to it, in order.
using ZqCaptureTransport = RecordCapture<ZqRecordTransport>;
