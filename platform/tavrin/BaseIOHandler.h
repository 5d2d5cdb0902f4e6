// An I/O port of the host: what a device sends its records through.
#pragma once

#include "platform/afx/CString.h"

class Device;

class BaseIOHandler {
 public:
  virtual ~BaseIOHandler() = default;

  // Hands one record, exactly as built, to the port. Returns whether the port took it.
  virtual bool Send(const CString& record) = 0;
  // Pushes out whatever the port holds back. Returns whether the port can output at all.
  virtual bool Flush() { return true; }

  // The devices that hear the records of this port, in the order they were attached; a ping sequence
  // walks them to switch their data time-outs. A plain port has none. GetDevice is null outside
  // 0 .. NumDevices() - 1.
  virtual int NumDevices() const { return 0; }
  virtual Device* GetDevice(int /*index*/) const { return nullptr; }
};
