// Host subscriptions: delivery on the notification thread in publish order, ownership, and Unsubscribe.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"

namespace {

constexpr auto kBound = std::chrono::seconds(5);
constexpr auto Manager = &SubscriptionManager::Instance;

// Records each key, marked if it came off the notification thread; read once the manager is idle.
struct RecordingSubscriber : Subscriber {
  explicit RecordingSubscriber(std::function<void()> onNotify = {}) : action(std::move(onNotify)) {}
  void Notify(const NotificationInfo* info) override {
    keys.push_back((Manager().IsNotificationThread() ? "" : "off-thread ") + info->GetKey().Str());
    if (action) action();
  }
  std::function<void()> action;
  std::vector<std::string> keys;
};

TEST(Subscription, DeliversOnlyItsOwnNameAndKindInPublishOrderOnTheNotificationThread) {
  RecordingSubscriber shared;
  SubscriptionImpl a(NotificationKind::kNamed);
  SubscriptionImpl c(NotificationKind::kDataBuffer);
  for (SubscriptionImpl* subscription : {&a, &c}) subscription->SetSubscriber(&shared, false);
  ASSERT_TRUE(a.Subscribe("SubscriptionTest.A") && c.Subscribe("SubscriptionTest.C"));
  Manager().PublishNamed("SubscriptionTest.Unfollowed");
  Manager().Publish(NotificationKind::kDataBuffer, "SubscriptionTest.C");
  Manager().Publish(NotificationKind::kDeviceKey, "SubscriptionTest.A");  // the name, but another kind
  Manager().PublishNamed("SubscriptionTest.C");
  Manager().PublishNamed("SubscriptionTest.A");
  Manager().Publish(NotificationKind::kDataBuffer, "SubscriptionTest.C");
  ASSERT_TRUE(Manager().WaitIdle(kBound));
  EXPECT_EQ(shared.keys,
            (std::vector<std::string>{"SubscriptionTest.C", "SubscriptionTest.A", "SubscriptionTest.C"}));
}

// Each subscriber holds a token, whose use count tells how many of them still exist.
TEST(Subscription, DestroyingDeletesTheSubscriberOnlyWhenOwned) {
  const auto token = std::make_shared<int>();
  RecordingSubscriber borrowed([token] {});
  {
    SubscriptionImpl owning(NotificationKind::kNamed);
    owning.SetSubscriber(new RecordingSubscriber([token] {}), true);
    ASSERT_TRUE(owning.Subscribe("SubscriptionTest.Owned"));
    SubscriptionImpl borrowing(NotificationKind::kNamed);
    borrowing.SetSubscriber(&borrowed, false);
  }
  EXPECT_EQ(token.use_count(), 2);
}

TEST(Subscription, SubscriberMayUnsubscribeItselfAndAnotherDuringDelivery) {
  SubscriptionImpl first(NotificationKind::kNamed);
  SubscriptionImpl second(NotificationKind::kNamed);
  RecordingSubscriber unsubscribesBoth([&] {
    second.Unsubscribe();
    first.Unsubscribe();
  });
  RecordingSubscriber secondSubscriber;
  first.SetSubscriber(&unsubscribesBoth, false);
  second.SetSubscriber(&secondSubscriber, false);
  // first is ahead of second on one key: second is not called in the delivery that removed it.
  ASSERT_TRUE(first.Subscribe("SubscriptionTest.Both") && second.Subscribe("SubscriptionTest.Both"));
  Manager().PublishNamed("SubscriptionTest.Both");
  Manager().PublishNamed("SubscriptionTest.Both");
  ASSERT_TRUE(Manager().WaitIdle(kBound));
  EXPECT_EQ(unsubscribesBoth.keys.size(), 1u);
  EXPECT_TRUE(secondSubscriber.keys.empty());
}

TEST(Subscription, UnsubscribeWaitsForADeliveryUnderWay) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> stage{0};  // 1 while the delivery is under way, 2 once it is over
  RecordingSubscriber slow([&] {
    stage = 1;
    static_cast<void>(released.wait_for(kBound));  // a failing test still ends within the bound
    stage = 2;
  });
  SubscriptionImpl subscription(NotificationKind::kNamed);
  subscription.SetSubscriber(&slow, false);
  ASSERT_TRUE(subscription.Subscribe("SubscriptionTest.Slow"));
  Manager().PublishNamed("SubscriptionTest.Slow");
  const auto deadline = std::chrono::steady_clock::now() + kBound;
  while (stage == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();

  std::future<int> unsubscribed = std::async(std::launch::async, [&] {
    subscription.Unsubscribe();
    return stage.load();
  });
  EXPECT_EQ(unsubscribed.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  release.set_value();
  ASSERT_EQ(unsubscribed.wait_for(kBound), std::future_status::ready);
  EXPECT_EQ(unsubscribed.get(), 2);  // the delivery was over before Unsubscribe returned
}

}  // namespace
