// Building the control device's records and handing them to its sonar socket.
#include <cassert>

#include "control/KavoDataRecFrame.h"
#include "control/KavoSonarConfigurationControlDevice.h"
#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/KavoSocketIoHandler.h"

CString KavoSonarConfigurationControlDevice::BuildRemoteControlRecord(unsigned long id, const void* data,
                                                                      unsigned long length, int deviceId,
                                                                      int deviceEnum) const {
  return zq::BuildRemoteControl(id, data, length, deviceId, deviceEnum, GetTrackingNumber());
}

unsigned KavoSonarConfigurationControlDevice::ResolveDeviceId(int deviceEnum) const {
  const auto* socket = dynamic_cast<const KavoSocketIoHandler*>(GetPortPtr());
  if (socket == nullptr) return 0;
  return socket->GetZqDeviceId(static_cast<unsigned short>(deviceEnum));
}

bool KavoSonarConfigurationControlDevice::SendRemoteControlRecord(unsigned long id, const void* data,
                                                                  unsigned long length, int deviceEnum) {
  if (deviceEnum == -1) deviceEnum = GetZqDeviceEnum();
  const unsigned deviceId = ResolveDeviceId(deviceEnum);
  if (deviceId == 0) return false;
  SendMessage(BuildRemoteControlRecord(id, data, length, static_cast<int>(deviceId), deviceEnum), false);
  return true;
}

bool KavoSonarConfigurationControlDevice::Send76xxRecord(unsigned long recordType, float value) {
  const int deviceEnum = GetZqDeviceEnum();
  const unsigned deviceId = ResolveDeviceId(deviceEnum);
  if (deviceId == 0) return false;
  CString record;
  KavoDataRecFrame().BuildHeader(record, zq::kSingleValueRecordSize, deviceId, CExTime::GetCurTime(),
                                 static_cast<std::uint16_t>(deviceEnum),
                                 static_cast<std::uint32_t>(recordType), 0, 0);
  le::PutF32(zq::RecordBytes(record), zq::kFrameHeaderSize, value);
  SendMessage(record, false);
  return true;
}

bool KavoSonarConfigurationControlDevice::SendRecord(unsigned long recordType, const void* data,
                                                     unsigned long length) {
  assert(data != nullptr && "SendRecord always copies its data section");
  const int deviceEnum = GetZqDeviceEnum();
  const unsigned deviceId = ResolveDeviceId(deviceEnum);
  if (deviceId == 0) return false;
  CString record;
  KavoDataRecFrame().BuildHeader(record, static_cast<std::uint32_t>(length + zq::kEmptyRecordSize), deviceId,
                                 CExTime::GetCurTime(), static_cast<std::uint16_t>(deviceEnum),
                                 static_cast<std::uint32_t>(recordType), 0, 0);
  le::PutBytes(zq::RecordBytes(record), zq::kFrameHeaderSize, data, length);
  SendMessage(record, false);
  return true;
}

bool KavoSonarConfigurationControlDevice::SingleRecordRequest(unsigned long recordType, int deviceEnum) {
  std::byte payload[4];
  le::PutU32(payload, 0, static_cast<std::uint32_t>(recordType));
  return SendRemoteControlRecord(zq::kSingleRecordRequestId, payload, sizeof(payload), deviceEnum);
}
