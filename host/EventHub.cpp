// Handing events to the listeners of the event stream.
#include "host/EventHub.h"

#include <algorithm>

EventHub::Listener EventHub::Listen(Sink sink) {
  std::lock_guard lock(mutex_);
  const Listener listener = next_++;
  sinks_.emplace_back(listener, std::move(sink));
  return listener;
}

void EventHub::Forget(Listener listener) {
  std::lock_guard lock(mutex_);
  std::erase_if(sinks_, [listener](const auto& entry) { return entry.first == listener; });
}

bool EventHub::HasListeners() const {
  std::lock_guard lock(mutex_);
  return !sinks_.empty();
}

void EventHub::Publish(const std::string& event) {
  const auto shared = std::make_shared<const std::string>("data: " + event + "\n\n");
  // Under the lock, so that a listener that Forget has returned for hears nothing more.
  std::lock_guard lock(mutex_);
  for (const auto& [listener, sink] : sinks_) sink(shared);
}
