// The I/O port of a sonar link: knows the heads of one processing unit by device enum, hands the
// records that devices send to its transport, and hands each record the sonar sends to the devices
// attached to it that drive the head the record comes from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/tavrin/BaseIOHandler.h"
#include "platform/zq/KavoDevice.h"
#include "platform/zq/ZqRecordTransport.h"

class KavoSocketIoHandler : public BaseIOHandler {
 public:
  explicit KavoSocketIoHandler(std::unique_ptr<ZqRecordTransport> transport);
  KavoSocketIoHandler(const KavoSocketIoHandler&) = delete;
  KavoSocketIoHandler& operator=(const KavoSocketIoHandler&) = delete;
  // Stops the transport first, so that no record arrives while the socket is taken apart.
  ~KavoSocketIoHandler() override;

  // The device identifier of the head with that device enum; 0 when the link knows none.
  unsigned GetZqDeviceId(unsigned short deviceEnum) const;
  // Records (or updates) the device identifier of a head.
  void SetZqDeviceId(unsigned short deviceEnum, unsigned deviceId);

  bool Send(const CString& record) override;

  // Devices that hear the records of their head (not owned; detach before destroying a device).
  void AttachDevice(KavoDevice* device);
  void DetachDevice(KavoDevice* device);
  int NumDevices() const override;
  KavoDevice* GetDevice(int index) const override;

  // A valid record from the sonar: learns its head and hands it to the devices of that head, each
  // of which reads it on the calling thread.
  void OnRecord(std::span<const std::byte> record);

  ZqRecordTransport& GetTransport() { return *transport_; }

 private:
  std::unique_ptr<ZqRecordTransport> transport_;
  mutable std::mutex headsMutex_;
  std::map<unsigned short, unsigned> heads_;
  mutable std::mutex devicesMutex_;  // held while a record is handed to the devices
  std::vector<KavoDevice*> devices_;
  std::string scratch_;  // a writable copy of the record for the devices
};
