// One subscription of the host: a kind, the key it follows, and the subscriber it calls.
#pragma once

#include "platform/afx/CString.h"
#include "platform/tavrin/NotificationInfo.h"

class SubscriptionImpl {
 public:
  explicit SubscriptionImpl(int kind) : kind_(kind) {}
  // Unsubscribes (waiting for a delivery to this subscription that is under way on another thread),
  // then deletes the subscriber if it owns it.
  ~SubscriptionImpl();
  SubscriptionImpl(const SubscriptionImpl&) = delete;
  SubscriptionImpl& operator=(const SubscriptionImpl&) = delete;

  // Replaces the subscriber; with owns the subscription deletes it when it is replaced or destroyed.
  void SetSubscriber(Subscriber* subscriber, bool owns);
  // Follows key (replacing any key followed before). Returns false without a subscriber. A
  // subscription made on the UI thread (a view's) hears its notifications on the UI thread, in
  // order with the UI thread's other work; every other one on the notification thread.
  bool Subscribe(const CString& key);
  // Stops following. After it returns, no notification reaches the subscriber from another thread.
  void Unsubscribe();

  int GetKind() const { return kind_; }
  bool IsSubscribed() const { return subscribed_; }
  bool DeliversOnUiThread() const { return onUiThread_; }

  // Called by the subscription manager on the thread the subscription hears on.
  void Deliver(const NotificationInfo& info);

 private:
  void ReleaseSubscriber();

  int kind_;
  Subscriber* subscriber_ = nullptr;
  bool ownsSubscriber_ = false;
  bool subscribed_ = false;
  bool onUiThread_ = false;
};
