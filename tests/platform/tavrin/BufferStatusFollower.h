// Follows a key's buffer-status notifications (kind 4) and keeps, for each, the data id it names and
// the status its buffer holds when it is delivered. The host sets a status before it announces it,
// and the tests make their next change only once the last one was delivered, so each notification
// reads the status it announces.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
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

struct StatusFollower : Subscriber {
  static constexpr auto kBound = std::chrono::seconds(10);

  explicit StatusFollower(const CString& key) {
    subscription.SetSubscriber(this, false);
    subscription.Subscribe(key);
  }
  void Notify(const NotificationInfo* info) override {
    const auto* dataInfo = dynamic_cast<const DataId_NI*>(info);
    std::lock_guard lock(mutex);
    if (dataInfo == nullptr) {
      statuses.push_back(-2);  // a notification without a data id
      return;
    }
    ids.push_back(dataInfo->GetDataId());
    statuses.push_back(StatusOf(dataInfo->GetDataId()));
  }
  // What was delivered of what was published so far.
  std::vector<int> Statuses() {
    EXPECT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
    std::lock_guard lock(mutex);
    return statuses;
  }
  // Waits, bounded, until the statuses delivered are these; the caller checks them afterwards.
  void AwaitStatuses(const std::vector<int>& expected) {
    WaitFor(
        [&] {
          std::lock_guard lock(mutex);
          return statuses == expected;
        },
        kBound);
  }

  std::mutex mutex;
  std::vector<CDataId> ids;
  std::vector<int> statuses;
  SubscriptionImpl subscription{NotificationKind::kDataBuffer};
};
