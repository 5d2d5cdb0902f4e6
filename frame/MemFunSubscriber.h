// A subscriber that forwards each notification, with what it carries, to a member function.
#pragma once

#include "platform/tavrin/NotificationInfo.h"

template <typename T>
class MemFunSubscriber : public Subscriber {
 public:
  using Handler = void (T::*)(const NotificationInfo* info);

  MemFunSubscriber(T* object, Handler handler) : object_(object), handler_(handler) {}

  void Notify(const NotificationInfo* info) override { (object_->*handler_)(info); }

 private:
  T* object_;
  Handler handler_;
};
