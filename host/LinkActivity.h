// What the host sees of a sonar's pings on its link: the trigger it hands to the link (remote control
// 1107) and the settings record that releases the sonar afterwards make one ping, with the guard time
// that a ping sequence waits after it; and when the link's last settings record came. It works from
// the records alone, so it sees real sonars as it sees simulated ones.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "link/ZqTcpLink.h"
#include "sim/PingLog.h"

class Device;

// One sequenced ping, in seconds on the process's steady clock (SteadySeconds, as the simulated
// sonars' ping log has them).
struct SeenPing {
  std::string sonar;  // the device's key
  int group = 0;      // its "SonarGroupId"
  double trigger = 0.0;
  double release = 0.0;
  double guard = 0.0;
};

class LinkActivity {
 public:
  using PingReport = std::function<void(const SeenPing& ping)>;

  // device is the sonar's device, read for its group and guard; it outlives the activity.
  LinkActivity(const Device& device, PingReport report);

  // Each record the link sent or received, on the link's I/O thread.
  void OnRecord(ZqTcpLink::Direction direction, std::span<const std::byte> record);
  // Seconds since the link's last settings record; nothing before the first.
  std::optional<double> SecondsSinceSettings() const;

 private:
  const Device& device_;
  const std::string key_;
  const PingReport report_;
  mutable std::mutex mutex_;
  std::optional<double> pendingTrigger_;  // a trigger sent and not yet answered
  std::optional<double> lastSettings_;
};
