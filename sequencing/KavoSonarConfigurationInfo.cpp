// Finding the sequenced sonars, and what their settings data and buffer status do to their group.
#include "sequencing/KavoSonarConfigurationInfo.h"

#include <cstddef>
#include <span>

#include "control/KavoDataRecFrame.h"
#include "frame/MemFunSubscriber.h"
#include "frame/Subscription.h"
#include "platform/tavrin/BaseDataSource.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/DataSubscription.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/tavrin/NotificationInfo.h"
#include "platform/tavrin/VesselManager.h"
#include "platform/zq/ZqSettingsReadings.h"
#include "sequencing/SettingsGuardTime.h"
#include "sequencing/TimerThread.h"

namespace {

constexpr std::uint16_t kSonarDataGroup = 78;

// Remote-control IDs the sequencer sends.
constexpr unsigned long kMaxPingRateId = 1004;
constexpr unsigned long kTriggerId = 1107;

}  // namespace

KavoSonarConfigurationInfo& KavoSonarConfigurationInfo::Instance() {
  static KavoSonarConfigurationInfo instance;
  return instance;
}

// The lists are cleared by Exit; destroying the members is all that is left.
KavoSonarConfigurationInfo::~KavoSonarConfigurationInfo() = default;

void KavoSonarConfigurationInfo::Init() {
  ClearList();
  GetAttributes();
}

void KavoSonarConfigurationInfo::Exit() {
  ClearList();
}

void KavoSonarConfigurationInfo::GetAttributes() {
  VesselManager& vessels = VesselManager::GetVesselManager();
  DataManager& data = DataManager::GetDataManager();
  for (int v = 0; v < vessels.GetNumVessels(); ++v) {
    const CBaseVessel* vessel = vessels.GetVessel(v);
    if (vessel == nullptr) continue;
    const std::uint16_t vesselId = vessel->GetVesselId();
    const unsigned short count = data.GetDeviceCount(vesselId);
    for (unsigned short i = 0; i < count; ++i) {
      Device* device = data.GetDevice(i, vesselId);
      if (device == nullptr) continue;
      const CDataId id = device->GetDataId();
      if (id.GetGroupId() != kSonarDataGroup) continue;

      unsigned flags = 0;
      int pingMode = 0;
      if (!device->GetAttribValue("PingMode", pingMode, flags) || pingMode == 0) continue;
      SonarEntry entry;
      entry.dataId = id;
      if (!device->GetAttribValue("SonarGroupId", entry.sonarGroupId, flags)) entry.sonarGroupId = 0;
      if (!device->GetAttribValue("Overhead", entry.overhead, flags)) entry.overhead = 0.0;
      if (!device->GetAttribValue("DeviceId", entry.deviceId, flags)) continue;
      if (!device->GetAttribValue("DeviceEnum", entry.deviceEnum, flags)) entry.deviceEnum = 0;
      entry.triggerRecord =
          BuildRemoteControlRecord(kTriggerId, nullptr, 0, entry.deviceId, entry.deviceEnum);

      entry.dataSubscription = new DataSubscription();
      entry.dataSubscription->SetSubscriber(new MemFunSubscriber<KavoSonarConfigurationInfo>(
                                                this, &KavoSonarConfigurationInfo::OnNewSonarSettingsData),
                                            true);
      entry.statusSubscription = new Subscription(NotificationKind::kDataBuffer);
      entry.statusSubscription->SetSubscriber(new MemFunSubscriber<KavoSonarConfigurationInfo>(
                                                  this, &KavoSonarConfigurationInfo::OnBufferStatusChange),
                                              true);
      sonars_.push_back(entry);
    }
  }
  // The handlers read the list on the notification thread, so it is complete before the first
  // subscription can deliver.
  for (const SonarEntry& entry : sonars_) {
    entry.dataSubscription->Subscribe(entry.dataId);
    entry.statusSubscription->Subscribe(entry.dataId.GetKey());
  }
}

void KavoSonarConfigurationInfo::ClearList() {
  // Every subscription ends (waiting for a delivery under way) before the list the handlers read
  // changes.
  for (SonarEntry& entry : sonars_) {
    delete entry.dataSubscription;
    delete entry.statusSubscription;
  }
  sonars_.clear();
  while (!timers_.empty()) {
    delete timers_.back();
    timers_.pop_back();
  }
}

CString KavoSonarConfigurationInfo::BuildRemoteControlRecord(unsigned long id, const unsigned char* data,
                                                             unsigned long length, int deviceId,
                                                             int deviceEnum) {
  return zq::BuildRemoteControl(id, data, length, deviceId, deviceEnum, 0);
}

void KavoSonarConfigurationInfo::OnNewSonarSettingsData(const NotificationInfo* info) {
  const auto* dataInfo = dynamic_cast<const DataId_NI*>(info);
  if (dataInfo == nullptr) return;
  const CDataId id = dataInfo->GetDataId();
  const SonarEntry* entry = nullptr;
  for (const SonarEntry& sonar : sonars_) {
    if (sonar.dataId == id) {
      entry = &sonar;
      break;
    }
  }
  if (entry == nullptr) return;
  dataBuffer_ = entry->dataSubscription->GetDataBuffer();
  if (dataBuffer_ == nullptr) return;
  if (!dataBuffer_->ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, dataBlock_)) return;
  if (dataBlock_.GetStatus() != 0) return;

  float range = 0.0F;
  const bool haveRange = zqsettings::RangeOf(dataBlock_, range);
  const double soundVelocity = zqsettings::SoundVelocityOf(dataBlock_);

  TimerThread* timer = nullptr;
  for (TimerThread* candidate : timers_) {
    if (candidate->GetGroupId() == entry->sonarGroupId) {
      timer = candidate;
      break;
    }
  }
  if (timer == nullptr) {
    timer = new TimerThread(entry->sonarGroupId);
    timers_.push_back(timer);
  }

  if (timer->HasEntry(id)) {
    // The guard time counts from the settings data's arrival, not from this delivery, which may have
    // waited behind other sonars' notifications.
    if (haveRange)
      timer->SetDelay(id, sequencing::GuardTimeMs(range, soundVelocity, entry->overhead), info->GetTime());
    return;
  }
  // First settings data since start: the sonar pings on trigger from now on, and joins its group.
  Device* device = DataManager::GetDataManager().FindDevice(id);
  if (device == nullptr) return;
  unsigned char noRate[4];
  le::PutF32(std::as_writable_bytes(std::span(noRate)), 0, 0.0F);
  device->SendMessage(
      BuildRemoteControlRecord(kMaxPingRateId, noRate, sizeof noRate, entry->deviceId, entry->deviceEnum),
      false);
  timer->AddEntry(id, device, entry->triggerRecord);
}

void KavoSonarConfigurationInfo::OnBufferStatusChange(const NotificationInfo* info) {
  const auto* dataInfo = dynamic_cast<const DataId_NI*>(info);
  if (dataInfo == nullptr) return;
  const CDataId id = dataInfo->GetDataId();
  BaseDataSource* buffer = DataManager::GetDataManager().FindDatablockBuffer(id);
  if (buffer == nullptr) return;
  double time = 0.0;
  unsigned short status = 0;
  if (!buffer->GetBufferStatus(time, status)) return;
  for (TimerThread* timer : timers_) timer->OnBufferStatus(id, status);
}
