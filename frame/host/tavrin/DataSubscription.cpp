#include "tavrin/DataSubscription.h"

#include "tavrin/DataManager.h"

DataSubscription::DataSubscription() : SubscriptionImpl(NotificationKind::kNewData) {}

bool DataSubscription::Subscribe(const CDataId& id) {
  if (!SubscriptionImpl::Subscribe(id.GetKey())) return false;
  id_ = id;
  return true;
}

BaseDataSource* DataSubscription::GetDataBuffer() const {
  if (!IsSubscribed()) return nullptr;
  return DataManager::GetDataManager().FindDatablockBuffer(id_);
}
