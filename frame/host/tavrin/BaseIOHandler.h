// An I/O port of the host: what a device sends its records through.
#pragma once

#include "afx/CString.h"

class BaseIOHandler {
 public:
  virtual ~BaseIOHandler() = default;

  // Hands one record, exactly as built, to the port. Returns whether the port took it.
  virtual bool Send(const CString& record) = 0;
  // Pushes out whatever the port holds back. Returns whether the port can output at all.
  virtual bool Flush() { return true; }
};
