// Registry of subscriptions and the notification thread.
#include "platform/tavrin/SubscriptionManager.h"

#include <algorithm>

#include "platform/afx/CWnd.h"

#include "platform/tavrin/SubscriptionImpl.h"

SubscriptionManager& SubscriptionManager::Instance() {
  static SubscriptionManager manager;
  return manager;
}

SubscriptionManager::~SubscriptionManager() {
  Stop();
}

void SubscriptionManager::Publish(std::shared_ptr<const NotificationInfo> info) {
  if (!info) return;
  std::lock_guard lock(queueMutex_);
  queue_.push_back(std::move(info));
  ++published_;
  // While a Stop is under way the thread still counts as running: what is published then waits in
  // the queue for the next start.
  if (!running_) {
    running_ = true;
    thread_ = std::thread([this] { Run(); });
    threadId_ = thread_.get_id();
  }
  queueChanged_.notify_all();
}

void SubscriptionManager::Publish(int kind, const CString& key) {
  Publish(std::make_shared<const NotificationInfo>(kind, key));
}

bool SubscriptionManager::WaitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(queueMutex_);
  const std::uint64_t target = published_;
  return queueChanged_.wait_for(lock, timeout, [&] { return delivered_ >= target; });
}

void SubscriptionManager::Stop() {
  // A subscriber cannot stop the thread it runs on.
  if (IsNotificationThread()) return;
  std::thread finishing;
  {
    std::lock_guard lock(queueMutex_);
    if (!running_ || stopping_) return;
    stopping_ = true;
    queueChanged_.notify_all();
    finishing = std::move(thread_);
  }
  finishing.join();
  std::lock_guard lock(queueMutex_);
  stopping_ = false;
  running_ = false;
  threadId_ = std::thread::id{};
}

bool SubscriptionManager::IsNotificationThread() const {
  return std::this_thread::get_id() == threadId_;
}

void SubscriptionManager::Run() {
  std::unique_lock lock(queueMutex_);
  for (;;) {
    queueChanged_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and everything published has been delivered
    std::shared_ptr<const NotificationInfo> info = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    Deliver(info);
    lock.lock();
    ++delivered_;
    queueChanged_.notify_all();
  }
}

void SubscriptionManager::Deliver(const std::shared_ptr<const NotificationInfo>& info) {
  std::lock_guard delivery(deliveryMutex_);
  const int kind = info->GetKind();
  const std::string key = info->GetKey().Str();
  std::vector<std::pair<SubscriptionImpl*, std::uint64_t>> targets;
  {
    std::lock_guard lock(registryMutex_);
    const auto found = subscribers_.find({kind, key});
    if (found == subscribers_.end()) return;
    for (SubscriptionImpl* subscription : found->second) {
      targets.emplace_back(subscription, keyOf_.at(subscription).serial);
    }
  }
  for (const auto& [subscription, serial] : targets) {
    // A subscriber may have unsubscribed another one (or itself) during this delivery.
    if (!IsRegistered(subscription, serial, kind, key)) continue;
    if (!subscription->DeliversOnUiThread()) {
      subscription->Deliver(*info);
      continue;
    }
    // A view's subscription is changed only on the UI thread, so what is registered when the UI
    // thread gets to the notification is what may hear it.
    AfxPostToUiThread([this, target = subscription, registered = serial, kind, key, info] {
      if (IsRegistered(target, registered, kind, key)) target->Deliver(*info);
    });
  }
}

bool SubscriptionManager::IsRegistered(SubscriptionImpl* subscription, std::uint64_t serial, int kind,
                                       const std::string& key) const {
  std::lock_guard lock(registryMutex_);
  const auto found = keyOf_.find(subscription);
  return found != keyOf_.end() && found->second.serial == serial && found->second.key == Key{kind, key};
}

void SubscriptionManager::Add(SubscriptionImpl* subscription, const CString& key) {
  std::lock_guard lock(registryMutex_);
  Key entry{subscription->GetKind(), key.Str()};
  subscribers_[entry].push_back(subscription);
  keyOf_[subscription] = Registered{std::move(entry), nextSerial_++};
}

void SubscriptionManager::Remove(SubscriptionImpl* subscription) {
  // Waits for a delivery under way on the notification thread, so the subscriber is not called after
  // Remove returns. On the notification thread itself the lock is already held and is taken again.
  std::lock_guard delivery(deliveryMutex_);
  std::lock_guard lock(registryMutex_);
  const auto found = keyOf_.find(subscription);
  if (found == keyOf_.end()) return;
  auto list = subscribers_.find(found->second.key);
  if (list != subscribers_.end()) {
    std::erase(list->second, subscription);
    if (list->second.empty()) subscribers_.erase(list);
  }
  keyOf_.erase(found);
}

const CDataId* SubscriptionManager::GetSafeDataIdPtr(const CDataId& id) {
  std::lock_guard lock(safeIdsMutex_);
  return &*safeIds_.insert(id).first;
}
