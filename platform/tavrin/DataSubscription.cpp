// Following a data identifier's buffer through a subscription to its new-data notifications.
#include "platform/tavrin/DataSubscription.h"

#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/SubscriptionManager.h"

DataSubscription::DataSubscription() : SubscriptionImpl(NotificationKind::kNewData) {}

bool DataSubscription::Subscribe(const CDataId& id) {
  // A delivery for the new identifier may read it as soon as the subscription is registered.
  auto guard = SubscriptionManager::Instance().LockDelivery();
  if (!SubscriptionImpl::Subscribe(id.GetKey())) return false;
  id_ = id;
  return true;
}

BaseDataSource* DataSubscription::GetDataBuffer() const {
  if (!IsSubscribed()) return nullptr;
  return DataManager::GetDataManager().FindDatablockBuffer(id_);
}
