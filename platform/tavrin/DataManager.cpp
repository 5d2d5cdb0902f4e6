// Device registry and attribute map access of the data manager.
#include "platform/tavrin/DataManager.h"

#include <algorithm>

#include "platform/tavrin/SubscriptionManager.h"

DataManager& DataManager::GetDataManager() {
  static DataManager manager;
  return manager;
}

// Devices end their subscriptions when they are destroyed, so the subscription manager must outlive
// the data manager: constructed first, it is destroyed last.
DataManager::DataManager() {
  SubscriptionManager::Instance();
}

bool DataManager::AddDevice(std::unique_ptr<Device> device) {
  if (!device) return false;
  std::lock_guard lock(mutex_);
  const CDataId id = device->GetDataId();
  if (!devices_.try_emplace(id, std::move(device)).second) return false;
  order_.push_back(id);
  return true;
}

bool DataManager::RemoveDevice(const CDataId& id) {
  std::shared_ptr<Device> removed;  // destroyed after the registry lock is released
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(id);
  if (found == devices_.end()) return false;
  removed = std::move(found->second);
  devices_.erase(found);
  std::erase(order_, id);
  return true;
}

Device* DataManager::FindDevice(const CDataId& id) const {
  return ShareDevice(id).get();
}

unsigned short DataManager::GetDeviceCount(std::uint16_t vesselId) const {
  std::lock_guard lock(mutex_);
  return static_cast<unsigned short>(std::count_if(
      order_.begin(), order_.end(), [vesselId](const CDataId& id) { return id.GetVesselId() == vesselId; }));
}

Device* DataManager::GetDevice(int index, std::uint16_t vesselId) const {
  std::lock_guard lock(mutex_);
  for (const CDataId& id : order_) {
    if (id.GetVesselId() != vesselId) continue;
    if (index-- == 0) return devices_.at(id).get();
  }
  return nullptr;
}

std::shared_ptr<Device> DataManager::ShareDevice(const CDataId& id) const {
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(id);
  return found == devices_.end() ? nullptr : found->second;
}

bool DataManager::GetAttributeMap(const CDataId& id, CAttributeMap& map) const {
  const std::shared_ptr<Device> device = ShareDevice(id);
  if (device == nullptr) return false;
  std::lock_guard lock(device->GetAttribLock());
  map = device->GetAttributes();
  return true;
}

bool DataManager::SetAttributeMap(const CDataId& id, const CAttributeMap& map, int flags) {
  const std::shared_ptr<Device> device = ShareDevice(id);
  if (device == nullptr) return false;
  std::lock_guard lock(device->GetAttribLock());
  if (flags == kMergeAttributes) {
    device->GetAttributes().Merge(map);
  } else {
    device->GetAttributes() = map;
  }
  return true;
}

BaseDataSource* DataManager::FindDatablockBuffer(const CDataId& id) const {
  std::lock_guard lock(mutex_);
  if (const auto device = devices_.find(id); device != devices_.end()) {
    return &device->second->GetDataSource();
  }
  const auto sensor = sensorBuffers_.find(id);
  return sensor == sensorBuffers_.end() ? nullptr : sensor->second.get();
}

void DataManager::StoreDataBlock(const CDataId& id, CDataBlock block) {
  std::shared_ptr<Device> device;  // kept alive while its buffer is written
  BaseDataSource* buffer = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (const auto found = devices_.find(id); found != devices_.end()) {
      device = found->second;
      buffer = &device->GetDataSource();
    } else {
      auto& sensor = sensorBuffers_[id];
      if (!sensor) sensor = std::make_unique<BaseDataSource>();
      buffer = sensor.get();
    }
  }
  buffer->SetDataBlock(std::move(block));
  const CString key = id.GetKey();
  SubscriptionManager::Instance().Publish(std::make_shared<DataId_NI>(NotificationKind::kNewData, key, id));
}
