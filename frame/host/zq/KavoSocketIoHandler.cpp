// Head lookup and the send path of a sonar link.
#include "zq/KavoSocketIoHandler.h"

#include <cassert>

KavoSocketIoHandler::KavoSocketIoHandler(std::unique_ptr<ZqRecordTransport> transport)
    : transport_(std::move(transport)) {
  assert(transport_ && "a sonar socket needs a transport");
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
