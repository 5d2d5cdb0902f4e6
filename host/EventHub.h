// The host's event stream: what changed (a device's attributes, a link's state, a sonar's event
// message), as one JSON text per event, handed to every listening client. A client that falls behind
// loses its oldest events rather than holding memory without bound.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class EventHub {
 public:
  static constexpr std::size_t kEventsKeptPerClient = 1024;

  class Client {
   public:
    // The next event, waiting up to timeout; nothing on time-out or once the hub has closed.
    std::optional<std::string> Next(std::chrono::milliseconds timeout);
    // Events this client lost by falling behind.
    std::size_t Dropped() const;

   private:
    friend class EventHub;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> events_;
    std::size_t dropped_ = 0;
    bool closed_ = false;
  };

  std::shared_ptr<Client> Listen();
  void Forget(const std::shared_ptr<Client>& client);
  void Publish(const std::string& event);
  // Whether any client listens: an event nobody would read need not be built.
  bool HasListeners();
  // Wakes every client with nothing more to come.
  void Close();

 private:
  std::mutex mutex_;
  std::vector<std::shared_ptr<Client>> clients_;
  bool closed_ = false;
};
