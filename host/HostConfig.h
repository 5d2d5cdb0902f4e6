// The host's configuration: the vessels, their devices with their stored-form attributes, and for
// each sonar device either the address of its processing unit with the heads it expects, or a
// simulated sonar the host starts itself. Read from a JSON file, or the embedded default.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/SettingsRestore.h"
#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/CDataId.h"
#include "platform/zq/ZqHead.h"
#include "sim/SimFaults.h"

struct VesselConfig {
  std::uint16_t number = 0;
  std::string name;
};

// A simulated sonar the host runs in-process, listening on a loopback port of its own.
struct SimulatedSonarConfig {
  std::string model = "shallow";
  double biteIntervalSeconds = 5.0;
  std::string recordFolder;  // empty: a new temporary folder of the simulated sonar's own
  // What the head answering under the device's device enum starts with: faults switched on, and
  // events that each host gets as it connects.
  SimFaults faults;
};

struct SonarLinkConfig {
  std::string address;  // "host:port"; empty for a simulated sonar until it listens
  // The heads the link expects. A simulated sonar has one head per entry, answering under the
  // entry's device enum and the next ones, one per setting set of its model.
  std::vector<ZqHead> heads{kDefaultZqHead};
  std::optional<SimulatedSonarConfig> simulate;
};

// How long a device's settings data may stay away before its buffer status says the data timed out.
inline constexpr double kDefaultDataTimeOutSeconds = 5.0;
inline constexpr double kLongestDataTimeOutSeconds = 3600.0;

struct DeviceConfig {
  std::string type;
  std::string name;
  CDataId dataId;
  int deviceEnum = 0;                                      // the device's own Zq device enum
  double dataTimeOutSeconds = kDefaultDataTimeOutSeconds;  // 0: never times out
  CAttributeMap attributes;
  std::optional<SonarLinkConfig> link;
  // What the host does when the sonar comes back with settings other than those it remembers:
  // "restore": "offer" | "auto" | "off".
  RestoreMode restore = RestoreMode::kOffer;
};

struct HttpConfig {
  std::string address = "127.0.0.1:8080";
  std::string token;  // required when address is not a loopback address
};

struct HostConfig {
  std::vector<VesselConfig> vessels;
  std::vector<DeviceConfig> devices;
  HttpConfig http;
};

// Reads a configuration document. On failure returns false and names the entry at fault in error,
// e.g. `devices[1].link.address: "sonar" is not host:port`; a key repeated in any object of the
// document is refused with its place, e.g. `devices[1]: repeated key "name"`.
bool ParseHostConfig(std::string_view text, HostConfig& config, std::string& error);

// The configuration used without --config: one vessel and two simulated sonars, one of each model,
// pinging in one sonar group.
std::string_view EmbeddedDefaultConfig();
