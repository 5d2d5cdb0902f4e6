// The I/O port of a sonar link: knows the heads of one processing unit by device enum and hands the
// records that devices send to its transport.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "tavrin/BaseIOHandler.h"
#include "zq/ZqRecordTransport.h"

class KavoSocketIoHandler : public BaseIOHandler {
 public:
  explicit KavoSocketIoHandler(std::unique_ptr<ZqRecordTransport> transport);

  // The device identifier of the head with that device enum; 0 when the link knows none.
  unsigned GetZqDeviceId(unsigned short deviceEnum) const;
  // Records (or updates) the device identifier of a head.
  void SetZqDeviceId(unsigned short deviceEnum, unsigned deviceId);

  bool Send(const CString& record) override;

  ZqRecordTransport& GetTransport() { return *transport_; }

 private:
  std::unique_ptr<ZqRecordTransport> transport_;
  mutable std::mutex headsMutex_;
  std::map<unsigned short, unsigned> heads_;
};
