// Host subscriptions: delivery on the notification thread, in publish order, and the guarantees that
// Unsubscribe and destruction give a subscriber that is being called from that thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "tavrin/NotificationInfo.h"
#include "tavrin/SubscriptionImpl.h"
#include "tavrin/SubscriptionManager.h"

namespace {

constexpr auto kBound = std::chrono::seconds(5);

SubscriptionManager& Manager() {
  return SubscriptionManager::Instance();
}

bool WaitIdle() {
  return Manager().WaitIdle(std::chrono::duration_cast<std::chrono::milliseconds>(kBound));
}

// Records the key of each notification and whether any came off the notification thread, then runs
// the test's own action.
class RecordingSubscriber : public Subscriber {
 public:
  explicit RecordingSubscriber(std::function<void()> onNotify = {}) : onNotify_(std::move(onNotify)) {}

  void Notify(const NotificationInfo* info) override {
    {
      std::lock_guard lock(mutex_);
      keys_.push_back(info->GetKey().Str());
    }
    if (!Manager().IsNotificationThread()) offThread_ = true;
    if (onNotify_) onNotify_();
  }

  std::vector<std::string> Keys() const {
    std::lock_guard lock(mutex_);
    return keys_;
  }
  std::atomic<bool> offThread_{false};

 private:
  std::function<void()> onNotify_;
  mutable std::mutex mutex_;
  std::vector<std::string> keys_;
};

// Counts its own destruction.
class CountedSubscriber : public Subscriber {
 public:
  explicit CountedSubscriber(int* destroyed) : destroyed_(destroyed) {}
  ~CountedSubscriber() override { ++*destroyed_; }
  void Notify(const NotificationInfo* /*info*/) override {}

 private:
  int* destroyed_;
};

TEST(Subscription, NamedNotificationReachesOnlyItsSubscriberOnTheNotificationThread) {
  RecordingSubscriber subscriber;
  SubscriptionImpl subscription(NotificationKind::kNamed);
  subscription.SetSubscriber(&subscriber, false);
  ASSERT_TRUE(subscription.Subscribe("$SubscriptionTestStartLogging$"));
  EXPECT_TRUE(subscription.IsSubscribed());

  Manager().PublishNamed("$SubscriptionTestStartLogging$");
  Manager().PublishNamed("$SubscriptionTestStopLogging$");
  Manager().Publish(NotificationKind::kDeviceKey, "$SubscriptionTestStartLogging$");
  ASSERT_TRUE(WaitIdle());

  EXPECT_EQ(subscriber.Keys(), std::vector<std::string>{"$SubscriptionTestStartLogging$"});
  EXPECT_FALSE(subscriber.offThread_);
  EXPECT_FALSE(Manager().IsNotificationThread());
}

TEST(Subscription, SubscribeNeedsASubscriberAndReplacesTheFollowedKey) {
  SubscriptionImpl lonely(NotificationKind::kNamed);
  EXPECT_FALSE(lonely.Subscribe("SubscriptionTest.NoSubscriber"));
  EXPECT_FALSE(lonely.IsSubscribed());

  RecordingSubscriber subscriber;
  SubscriptionImpl subscription(NotificationKind::kNamed);
  subscription.SetSubscriber(&subscriber, false);
  ASSERT_TRUE(subscription.Subscribe("SubscriptionTest.First"));
  ASSERT_TRUE(subscription.Subscribe("SubscriptionTest.Second"));
  Manager().PublishNamed("SubscriptionTest.First");
  Manager().PublishNamed("SubscriptionTest.Second");
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(subscriber.Keys(), std::vector<std::string>{"SubscriptionTest.Second"});
}

TEST(Subscription, DeliversEverythingInPublishOrderBeforeWaitIdleReturns) {
  RecordingSubscriber shared;
  SubscriptionImpl a(NotificationKind::kNamed);
  SubscriptionImpl b(NotificationKind::kNamed);
  SubscriptionImpl c(NotificationKind::kDataBuffer);
  for (SubscriptionImpl* subscription : {&a, &b, &c}) subscription->SetSubscriber(&shared, false);
  ASSERT_TRUE(a.Subscribe("SubscriptionTest.Order.A"));
  ASSERT_TRUE(b.Subscribe("SubscriptionTest.Order.B"));
  ASSERT_TRUE(c.Subscribe("SubscriptionTest.Order.C"));

  std::vector<std::string> order;
  for (int round = 0; round < 50; ++round) {
    for (const char* key :
         {"SubscriptionTest.Order.B", "SubscriptionTest.Order.A", "SubscriptionTest.Order.C"}) {
      order.emplace_back(key);
      Manager().Publish(order.back().back() == 'C' ? NotificationKind::kDataBuffer : NotificationKind::kNamed,
                        key);
    }
  }
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(shared.Keys(), order);
  EXPECT_TRUE(WaitIdle());  // nothing pending: returns at once
}

TEST(Subscription, DestroyingDeletesTheSubscriberOnlyWhenOwned) {
  int ownedDestroyed = 0;
  int borrowedDestroyed = 0;
  CountedSubscriber borrowed(&borrowedDestroyed);
  {
    SubscriptionImpl owning(NotificationKind::kNamed);
    owning.SetSubscriber(new CountedSubscriber(&ownedDestroyed), true);
    ASSERT_TRUE(owning.Subscribe("SubscriptionTest.Owned"));
    SubscriptionImpl borrowing(NotificationKind::kNamed);
    borrowing.SetSubscriber(&borrowed, false);
    ASSERT_TRUE(borrowing.Subscribe("SubscriptionTest.Borrowed"));
  }
  EXPECT_EQ(ownedDestroyed, 1);
  EXPECT_EQ(borrowedDestroyed, 0);

  // Replacing an owned subscriber deletes it too.
  int replacedDestroyed = 0;
  SubscriptionImpl subscription(NotificationKind::kNamed);
  subscription.SetSubscriber(new CountedSubscriber(&replacedDestroyed), true);
  subscription.SetSubscriber(&borrowed, false);
  EXPECT_EQ(replacedDestroyed, 1);

  // Nothing reaches a destroyed subscription.
  Manager().PublishNamed("SubscriptionTest.Owned");
  Manager().PublishNamed("SubscriptionTest.Borrowed");
  EXPECT_TRUE(WaitIdle());
}

TEST(Subscription, SubscriberMayUnsubscribeItselfOrAnotherDuringDelivery) {
  SubscriptionImpl second(NotificationKind::kNamed);
  SubscriptionImpl self(NotificationKind::kNamed);
  RecordingSubscriber unsubscribesSecond([&] { second.Unsubscribe(); });
  RecordingSubscriber secondSubscriber;
  RecordingSubscriber unsubscribesItself([&] { self.Unsubscribe(); });
  // Still subscribed at the end, so it is declared after its subscriber and goes first.
  SubscriptionImpl first(NotificationKind::kNamed);
  first.SetSubscriber(&unsubscribesSecond, false);
  second.SetSubscriber(&secondSubscriber, false);
  self.SetSubscriber(&unsubscribesItself, false);
  // Both follow the same key, first before second: second is not called in the delivery that removed it.
  ASSERT_TRUE(first.Subscribe("SubscriptionTest.Reentrant"));
  ASSERT_TRUE(second.Subscribe("SubscriptionTest.Reentrant"));
  ASSERT_TRUE(self.Subscribe("SubscriptionTest.Self"));

  Manager().PublishNamed("SubscriptionTest.Reentrant");
  Manager().PublishNamed("SubscriptionTest.Self");
  Manager().PublishNamed("SubscriptionTest.Reentrant");
  Manager().PublishNamed("SubscriptionTest.Self");
  ASSERT_TRUE(WaitIdle());

  EXPECT_EQ(unsubscribesSecond.Keys().size(), 2u);
  EXPECT_TRUE(secondSubscriber.Keys().empty());
  EXPECT_EQ(unsubscribesItself.Keys().size(), 1u);
  EXPECT_FALSE(second.IsSubscribed());
  EXPECT_FALSE(self.IsSubscribed());
}

TEST(Subscription, UnsubscribeWaitsForADeliveryUnderWay) {
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> unsubscribeReturned{false};
  std::atomic<bool> calledAfterUnsubscribe{false};
  std::atomic<bool> releaseTimedOut{false};
  std::atomic<int> calls{0};

  RecordingSubscriber slow([&] {
    if (unsubscribeReturned) calledAfterUnsubscribe = true;
    if (calls++ == 0) {
      entered.set_value();
      if (released.wait_for(kBound) != std::future_status::ready) releaseTimedOut = true;
    }
    if (unsubscribeReturned) calledAfterUnsubscribe = true;
  });
  SubscriptionImpl subscription(NotificationKind::kNamed);
  subscription.SetSubscriber(&slow, false);
  ASSERT_TRUE(subscription.Subscribe("SubscriptionTest.Slow"));

  Manager().PublishNamed("SubscriptionTest.Slow");
  ASSERT_EQ(entered.get_future().wait_for(kBound), std::future_status::ready);
  // Nothing is queued any more, but a delivery is under way: the manager is not idle.
  EXPECT_FALSE(Manager().WaitIdle(std::chrono::milliseconds(50)));

  std::future<void> unsubscribed = std::async(std::launch::async, [&] {
    subscription.Unsubscribe();
    unsubscribeReturned = true;
  });
  // While the notification is inside Notify, Unsubscribe has not returned.
  EXPECT_EQ(unsubscribed.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  release.set_value();
  ASSERT_EQ(unsubscribed.wait_for(kBound), std::future_status::ready);

  Manager().PublishNamed("SubscriptionTest.Slow");
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(calledAfterUnsubscribe);
  EXPECT_FALSE(releaseTimedOut);
}

}  // namespace
