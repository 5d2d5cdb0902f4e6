// The host's event stream: what changed (a device's attributes, a link's state, a sonar's event
// message), as one JSON text per event, handed to every listening client. A listener is a sink that
// must not block: the HTTP server's sinks only queue the event on the client's connection, and a
// connection whose queue is full drops its client.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class EventHub {
 public:
  using Event = std::shared_ptr<const std::string>;
  using Sink = std::function<void(const Event&)>;
  using Listener = std::uint64_t;

  // The sink hears every event published from now until Forget returns.
  Listener Listen(Sink sink);
  void Forget(Listener listener);
  // Hands the event, one line of JSON, to every sink as a server-sent event ("data: ...\n\n").
  void Publish(const std::string& event);
  // Whether any client listens: an event nobody would read need not be built.
  bool HasListeners() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<Listener, Sink>> sinks_;
  Listener next_ = 1;
};
