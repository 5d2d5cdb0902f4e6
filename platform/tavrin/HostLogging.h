// The host's logging notifications: published when the host's own logging starts and stops, for
// devices that keep their sonar's recording in step with it.
#pragma once

#include "platform/tavrin/SubscriptionManager.h"

namespace HostLogging {

inline constexpr const char* kStartedNotification = "$TavrinloggerStartLogging$";
inline constexpr const char* kStoppedNotification = "$TavrinloggerStopLogging$";

inline void PublishStarted() {
  SubscriptionManager::Instance().PublishNamed(kStartedNotification);
}
inline void PublishStopped() {
  SubscriptionManager::Instance().PublishNamed(kStoppedNotification);
}

}  // namespace HostLogging
