// Tracking numbers of sonar devices, and the records their heads send.
#include "platform/zq/KavoDevice.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <span>

#include "platform/tavrin/NotificationInfo.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/zq/ZqConfigurationDecoder.h"
#include "platform/zq/ZqSettingsDecoder.h"
#include "platform/zq/ZqSonarRecordStore.h"
#include "platform/zq/ZqWireFormat.h"

namespace {
std::atomic<std::uint64_t> nextTrackingNumber{1};
}  // namespace

KavoDevice::KavoDevice() : trackingNumber_(nextTrackingNumber.fetch_add(1)) {}

void KavoDevice::SetSettingsReport(SettingsReport report) {
  std::lock_guard lock(reportMutex_);
  settingsReport_ = std::move(report);
}

void KavoDevice::ProcessMessage(char* data, int length) {
  if (data == nullptr || length < static_cast<int>(zqwire::kMinRecordSize)) return;
  const auto record = std::as_bytes(std::span(data, static_cast<std::size_t>(length)));
  const std::uint32_t type = zqwire::ReadHeader(record).recordType;
  const CString key = GetDataId().GetKey();
  SubscriptionManager& notifications = SubscriptionManager::Instance();

  if (type == zqwire::kPingSettingsRecordType || type == zqwire::kSettingsOnRequestRecordType) {
    CAttributeMap reported;
    std::optional<CDataBlock> block = ZqSettingsDecoder::Decode(record, reported);
    if (!block) return;
    {
      std::lock_guard lock(GetAttribLock());
      GetAttributes().Merge(reported);
    }
    GetDataSource().SetDataBlock(std::move(*block));
    // Only settings data shows that the sonar's data flows.
    OnSettingsData();
    notifications.Publish(NotificationKind::kDeviceKey, key);
    // Only the ping settings end a ping: they are the data a ping sequence waits for to release the
    // sonar. Settings on request answer at any moment, also mid-ping, and release nothing.
    if (type == zqwire::kPingSettingsRecordType) {
      notifications.Publish(std::make_shared<DataId_NI>(NotificationKind::kNewData, key, GetDataId()));
    }
    // The host hears last, so that what it does with the settings never holds up a ping sequence.
    std::lock_guard lock(reportMutex_);
    if (settingsReport_) settingsReport_(reported);
    return;
  }
  if (type == zqwire::kConfigurationRecordType) {
    bool changed = false;
    {
      std::lock_guard lock(GetAttribLock());
      changed = ZqConfigurationDecoder::Decode(record, GetAttributes());
    }
    if (changed) notifications.Publish(NotificationKind::kDeviceKey, key);
  }
  ZqSonarRecordStore::Instance().Add(key, GetDeviceName(), type, record);
}
