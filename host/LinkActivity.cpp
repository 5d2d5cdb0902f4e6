// Pings and settings records seen on a sonar's link.
#include "host/LinkActivity.h"

#include "host/DataTimeOutFloor.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"

namespace {

// The remote control that triggers one ping of a sonar that waits for triggers.
constexpr std::uint32_t kTriggerRemoteControl = 1107;
const CString kSonarGroupKey = "SonarGroupId";

}  // namespace

LinkActivity::LinkActivity(const Device& device, PingReport report)
    : device_(device), key_(device.GetDataId().GetKey().Str()), report_(std::move(report)) {}

void LinkActivity::OnRecord(ZqTcpLink::Direction direction, std::span<const std::byte> record) {
  const le::ByteReader reader(record);
  const auto type = reader.U32(zqwire::kRecordTypeOffset);
  if (!type) return;
  const double now = SteadySeconds();
  if (direction == ZqTcpLink::Direction::kSent) {
    if (*type != zqwire::kRemoteControlRecordType) return;
    if (reader.U32(zqwire::kRemoteControlIdOffset) != kTriggerRemoteControl) return;
    std::lock_guard lock(mutex_);
    pendingTrigger_ = now;
    return;
  }
  if (*type != zqwire::kPingSettingsRecordType) return;
  std::optional<double> trigger;
  {
    std::lock_guard lock(mutex_);
    lastSettings_ = now;
    trigger = std::exchange(pendingTrigger_, std::nullopt);
  }
  if (!trigger || !report_) return;
  int group = 0;
  unsigned flags = 0;
  device_.GetAttribValue(kSonarGroupKey, group, flags);
  report_(SeenPing{key_, group, *trigger, now, GuardSeconds(device_)});
}

std::optional<double> LinkActivity::SecondsSinceSettings() const {
  std::lock_guard lock(mutex_);
  if (!lastSettings_) return std::nullopt;
  return SteadySeconds() - *lastSettings_;
}
