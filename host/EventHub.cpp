// Handing events to the clients of the event stream.
#include "EventHub.h"

#include <algorithm>

std::optional<std::string> EventHub::Client::Next(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return closed_ || !events_.empty(); });
  if (events_.empty()) return std::nullopt;
  std::string event = std::move(events_.front());
  events_.pop_front();
  return event;
}

std::size_t EventHub::Client::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

std::shared_ptr<EventHub::Client> EventHub::Listen() {
  auto client = std::make_shared<Client>();
  std::lock_guard lock(mutex_);
  client->closed_ = closed_;
  clients_.push_back(client);
  return client;
}

void EventHub::Forget(const std::shared_ptr<Client>& client) {
  std::lock_guard lock(mutex_);
  std::erase(clients_, client);
}

bool EventHub::HasListeners() {
  std::lock_guard lock(mutex_);
  return !clients_.empty();
}

void EventHub::Publish(const std::string& event) {
  std::lock_guard lock(mutex_);
  for (const auto& client : clients_) {
    {
      std::lock_guard clientLock(client->mutex_);
      if (client->events_.size() == kEventsKeptPerClient) {
        client->events_.pop_front();
        ++client->dropped_;
      }
      client->events_.push_back(event);
    }
    client->changed_.notify_one();
  }
}

void EventHub::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (const auto& client : clients_) {
    {
      std::lock_guard clientLock(client->mutex_);
      client->closed_ = true;
    }
    client->changed_.notify_all();
  }
}
