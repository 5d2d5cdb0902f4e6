// A subscriber that forwards each notification to a member function taking no argument.
#pragma once

#include "platform/tavrin/NotificationInfo.h"

template <typename T>
class MemFunNoInfoSubscriber : public Subscriber {
 public:
  using Handler = void (T::*)();

  MemFunNoInfoSubscriber(T* object, Handler handler) : object_(object), handler_(handler) {}

  void Notify(const NotificationInfo* /*info*/) override { (object_->*handler_)(); }

 private:
  T* object_;
  Handler handler_;
};
