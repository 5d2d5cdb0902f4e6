// Follows a device's notifications (buffer status unless told other kinds), keeping each one's kind and
// the status the buffer holds when it is delivered; tests change the next only once one was delivered.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <list>
#include <mutex>
#include <vector>

#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "tests/link/Waiting.h"

// The status in the identifier's buffer; -1 when there is no buffer or no status yet.
inline int StatusOf(const CDataId& id) {
  const BaseDataSource* buffer = DataManager::GetDataManager().FindDatablockBuffer(id);
  double time = 0.0;
  unsigned short status = 0;
  if (buffer == nullptr || !buffer->GetBufferStatus(time, status)) return -1;
  return status;
}

struct DeviceFollower : Subscriber {
  static constexpr auto kBound = std::chrono::seconds(10);

  explicit DeviceFollower(const CDataId& followed,
                          std::initializer_list<int> followedKinds = {NotificationKind::kDataBuffer})
      : id(followed) {
    for (const int kind : followedKinds) {
      subscriptions.emplace_back(kind).SetSubscriber(this, false);
      subscriptions.back().Subscribe(id.GetKey());
    }
  }
  void Notify(const NotificationInfo* info) override {
    const auto* about = dynamic_cast<const DataId_NI*>(info);
    std::lock_guard lock(mutex);
    kinds.push_back(info->GetKind());
    statuses.push_back(about != nullptr && about->GetDataId() == id ? StatusOf(id)
                                                                    : -2);  // -2: names no device
  }
  // What was delivered of what was published so far.
  std::vector<int> Kinds() {
    EXPECT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
    std::lock_guard lock(mutex);
    return kinds;
  }
  std::vector<int> Statuses() {
    EXPECT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
    std::lock_guard lock(mutex);
    return statuses;
  }
  // Waits, bounded, until the statuses delivered are these.
  ::testing::AssertionResult Await(const std::vector<int>& expected) {
    const auto seen = [&] {
      std::lock_guard lock(mutex);
      return statuses == expected;
    };
    if (WaitFor(seen, kBound)) return ::testing::AssertionSuccess();
    std::lock_guard lock(mutex);
    return ::testing::AssertionFailure() << "statuses delivered: " << ::testing::PrintToString(statuses);
  }

  const CDataId id;
  std::mutex mutex;
  std::vector<int> kinds;
  std::vector<int> statuses;
  std::list<SubscriptionImpl> subscriptions;  // a list: each stays where its subscriber knows it
};
