// The host's subscription manager: who follows which key, and the notification thread that delivers
// published notifications to them in the order they were published.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/tavrin/CDataId.h"
#include "platform/tavrin/NotificationInfo.h"

class SubscriptionImpl;

class SubscriptionManager {
 public:
  static SubscriptionManager& Instance();

  SubscriptionManager(const SubscriptionManager&) = delete;
  SubscriptionManager& operator=(const SubscriptionManager&) = delete;
  ~SubscriptionManager();

  // Queues info for delivery, on the notification thread, to every subscription of its kind that
  // follows its key. The thread is started on first use.
  void Publish(std::shared_ptr<const NotificationInfo> info);
  void Publish(int kind, const CString& key);
  // Publishes a named general notification (kind 7), such as "$TavrinloggerStartLogging$".
  void PublishNamed(const CString& name) { Publish(NotificationKind::kNamed, name); }

  // A pointer to a copy of id that stays valid as long as the manager: what a posted message carries.
  const CDataId* GetSafeDataIdPtr(const CDataId& id);

  // Waits until every notification published before the call has been delivered. False on time-out.
  bool WaitIdle(std::chrono::milliseconds timeout);
  // Delivers what is queued, then ends and joins the notification thread. A later Publish starts it again.
  void Stop();
  bool IsNotificationThread() const;

  // Used by SubscriptionImpl.
  void Add(SubscriptionImpl* subscription, const CString& key);
  void Remove(SubscriptionImpl* subscription);
  // Held while a notification is delivered; taking it waits for a delivery under way on another thread.
  std::unique_lock<std::recursive_mutex> LockDelivery() { return std::unique_lock(deliveryMutex_); }

 private:
  SubscriptionManager() = default;
  void Run();
  void Deliver(const std::shared_ptr<const NotificationInfo>& info);
  // Whether subscription is still the one registered under serial, following (kind, key).
  bool IsRegistered(SubscriptionImpl* subscription, std::uint64_t serial, int kind,
                    const std::string& key) const;

  using Key = std::pair<int, std::string>;
  struct Registered {
    Key key;
    std::uint64_t serial;  // tells a subscription from a later one at the same address
  };

  // Registry: followed keys. Guarded by registryMutex_.
  mutable std::mutex registryMutex_;
  std::map<Key, std::vector<SubscriptionImpl*>> subscribers_;
  std::map<SubscriptionImpl*, Registered> keyOf_;
  std::uint64_t nextSerial_ = 1;

  // Queue and thread. Guarded by queueMutex_.
  std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  std::deque<std::shared_ptr<const NotificationInfo>> queue_;
  std::uint64_t published_ = 0;
  std::uint64_t delivered_ = 0;
  bool running_ = false;   // a notification thread has been started and not yet joined
  bool stopping_ = false;  // Stop is joining it
  std::thread thread_;
  std::atomic<std::thread::id> threadId_;

  std::recursive_mutex deliveryMutex_;

  std::mutex safeIdsMutex_;
  std::set<CDataId> safeIds_;  // nodes never move
};
