// Head lookup, the send path and the receive path of a sonar link.
#include "platform/zq/KavoSocketIoHandler.h"

#include <algorithm>
#include <cassert>

#include "platform/zq/KavoDevice.h"
#include "platform/zq/ZqWireFormat.h"

KavoSocketIoHandler::KavoSocketIoHandler(std::unique_ptr<ZqRecordTransport> transport)
    : transport_(std::move(transport)) {
  assert(transport_ && "a sonar socket needs a transport");
  transport_->SetReceiver([this](std::span<const std::byte> record) { OnRecord(record); });
}

KavoSocketIoHandler::~KavoSocketIoHandler() {
  transport_->Stop();
}

unsigned KavoSocketIoHandler::GetZqDeviceId(unsigned short deviceEnum) const {
  std::lock_guard lock(headsMutex_);
  const auto found = heads_.find(deviceEnum);
  return found == heads_.end() ? 0 : found->second;
}

void KavoSocketIoHandler::SetZqDeviceId(unsigned short deviceEnum, unsigned deviceId) {
  std::lock_guard lock(headsMutex_);
  heads_[deviceEnum] = deviceId;
}

bool KavoSocketIoHandler::Send(const CString& record) {
  return transport_->Send(record);
}

void KavoSocketIoHandler::AttachDevice(KavoDevice* device) {
  std::lock_guard lock(devicesMutex_);
  if (std::find(devices_.begin(), devices_.end(), device) == devices_.end()) devices_.push_back(device);
}

void KavoSocketIoHandler::DetachDevice(KavoDevice* device) {
  std::lock_guard lock(devicesMutex_);
  std::erase(devices_, device);
}

int KavoSocketIoHandler::NumDevices() const {
  std::lock_guard lock(devicesMutex_);
  return static_cast<int>(devices_.size());
}

KavoDevice* KavoSocketIoHandler::GetDevice(int index) const {
  std::lock_guard lock(devicesMutex_);
  if (index < 0 || static_cast<std::size_t>(index) >= devices_.size()) return nullptr;
  return devices_[static_cast<std::size_t>(index)];
}

void KavoSocketIoHandler::OnRecord(std::span<const std::byte> record) {
  const zqwire::RecordHeader header = zqwire::ReadHeader(record);
  if (header.deviceId != 0) SetZqDeviceId(header.deviceEnum, header.deviceId);

  std::lock_guard lock(devicesMutex_);
  for (KavoDevice* device : devices_) {
    const int ownEnum = device->GetZqDeviceEnum();
    if (ownEnum < 0 || GetZqDeviceId(static_cast<unsigned short>(ownEnum)) != header.deviceId) continue;
    scratch_.assign(reinterpret_cast<const char*>(record.data()), record.size());
    device->ProcessMessage(scratch_.data(), static_cast<int>(scratch_.size()));
  }
}
