// Subscriptions register with the manager, which delivers to them on the notification thread.
#include "platform/tavrin/SubscriptionImpl.h"

#include "platform/afx/CWnd.h"
#include "platform/tavrin/SubscriptionManager.h"

SubscriptionImpl::~SubscriptionImpl() {
  Unsubscribe();
  ReleaseSubscriber();
}

void SubscriptionImpl::SetSubscriber(Subscriber* subscriber, bool owns) {
  // The manager's delivery lock keeps the notification thread from calling a subscriber being replaced.
  auto guard = SubscriptionManager::Instance().LockDelivery();
  ReleaseSubscriber();
  subscriber_ = subscriber;
  ownsSubscriber_ = owns;
}

bool SubscriptionImpl::Subscribe(const CString& key) {
  if (subscriber_ == nullptr) return false;
  // No delivery reads the subscription while it changes what it follows: one can start as soon as
  // it is registered.
  auto guard = SubscriptionManager::Instance().LockDelivery();
  Unsubscribe();
  onUiThread_ = AfxIsUiThread();
  SubscriptionManager::Instance().Add(this, key);
  subscribed_ = true;
  return true;
}

void SubscriptionImpl::Unsubscribe() {
  if (!subscribed_) return;
  SubscriptionManager::Instance().Remove(this);
  subscribed_ = false;
}

void SubscriptionImpl::Deliver(const NotificationInfo& info) {
  if (subscriber_ != nullptr) subscriber_->Notify(&info);
}

void SubscriptionImpl::ReleaseSubscriber() {
  if (ownsSubscriber_) delete subscriber_;
  subscriber_ = nullptr;
  ownsSubscriber_ = false;
}
