// The plug-in's subscription: a host subscription of one kind with an attached subscriber.
#pragma once

#include "platform/afx/CString.h"
#include "platform/tavrin/SubscriptionImpl.h"

class Subscriber;

class Subscription {
 public:
  explicit Subscription(int kind) : impl_(kind) {}
  // Destroying the subscription ends it; an owned subscriber goes with it.
  virtual ~Subscription() = default;
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;

  virtual bool Subscribe(const CString& key) { return impl_.Subscribe(key); }
  virtual void Unsubscribe() { impl_.Unsubscribe(); }
  void SetSubscriber(Subscriber* subscriber, bool owns) { impl_.SetSubscriber(subscriber, owns); }

 private:
  SubscriptionImpl impl_;
};
