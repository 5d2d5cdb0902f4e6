// Tracking numbers of sonar devices.
#include "zq/KavoDevice.h"

#include <atomic>

namespace {
std::atomic<std::uint64_t> nextTrackingNumber{1};
}  // namespace

KavoDevice::KavoDevice() : trackingNumber_(nextTrackingNumber.fetch_add(1)) {}
