// Reading the host configuration document.
#include "host/HostConfig.h"

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <type_traits>

#include "host/SimFaultsJson.h"
#include "link/ZqTcpLink.h"
#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/JsonDocument.h"
#include "sim/SimModel.h"
#include "sim/SimServer.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kEmbeddedDefault = R"({
  "vessels": [{"number": 1, "name": "Survey Vessel"}],
  "devices": [
    {
      "type": "KavoSonarConfigurationControlDevice",
      "name": "Survey Vessel",
      "dataId": [1, 78, 1, 1],
      "deviceEnum": 0,
      "attributes": [
        {"DeviceEnum": {"int": 0}},
        {"DeviceId": {"int": 7000}},
        {"PingMode": {"int": 1}},
        {"SonarGroupId": {"int": 1}},
        {"Overhead": {"double": 10.0}}
      ],
      "simulate": {"model": "shallow", "heads": [{"deviceEnum": 0, "deviceId": 7000}]}
    },
    {
      "type": "KavoSonarConfigurationControlDevice",
      "name": "Deep sonar",
      "dataId": [2, 78, 1, 1],
      "deviceEnum": 0,
      "attributes": [
        {"DeviceEnum": {"int": 0}},
        {"DeviceId": {"int": 7001}},
        {"PingMode": {"int": 1}},
        {"SonarGroupId": {"int": 1}},
        {"Overhead": {"double": 10.0}}
      ],
      "simulate": {"model": "deep", "heads": [{"deviceEnum": 0, "deviceId": 7001}]}
    }
  ]
})";

// A bound as an error message shows it: "3600", not "3600.000000".
template <typename Number>
std::string NumberText(Number value) {
  if constexpr (std::is_integral_v<Number>) {
    return std::to_string(value);
  } else {
    std::ostringstream text;
    text << value;
    return text.str();
  }
}

// Reading with the path of the entry at hand, so that every message names its place.
class Reader {
 public:
  explicit Reader(std::string& error) : error_(error) {}

  bool Fail(const std::string& path, const std::string& problem) {
    error_ = path + ": " + problem;
    return false;
  }

  template <typename Number>
  bool ReadNumber(const Json& parent, const std::string& path, const char* key, Number low, Number high,
                  Number& out, bool required) {
    const auto found = parent.find(key);
    if (found == parent.end()) return !required || Fail(path + "." + key, "missing");
    if (!found->is_number_integer() && !found->is_number_float()) {
      return Fail(path + "." + key, "expected a number");
    }
    const double value = found->get<double>();
    if (!(value >= static_cast<double>(low) && value <= static_cast<double>(high))) {
      return Fail(path + "." + key, "expected a number from " + NumberText(low) + " to " + NumberText(high));
    }
    if (std::is_integral_v<Number> && value != static_cast<double>(static_cast<long long>(value))) {
      return Fail(path + "." + key, "expected a whole number");
    }
    out = static_cast<Number>(value);
    return true;
  }

  bool ReadText(const Json& parent, const std::string& path, const char* key, std::string& out,
                bool required) {
    const auto found = parent.find(key);
    if (found == parent.end()) return !required || Fail(path + "." + key, "missing");
    if (!found->is_string()) return Fail(path + "." + key, "expected a text");
    out = found->get<std::string>();
    return true;
  }

  bool ReadDataId(const Json& parent, const std::string& path, CDataId& out) {
    const auto found = parent.find("dataId");
    const std::string at = path + ".dataId";
    if (found == parent.end()) return Fail(at, "missing");
    if (!found->is_array() || found->size() != 4)
      return Fail(at, "expected four numbers [a, group, c, vessel]");
    std::uint16_t part[4] = {};
    for (std::size_t i = 0; i < 4; ++i) {
      const Json& item = (*found)[i];
      if (!item.is_number_unsigned() || item.get<std::uint64_t>() > 0xFFFF) {
        return Fail(at + "[" + std::to_string(i) + "]", "expected a whole number from 0 to 65535");
      }
      part[i] = static_cast<std::uint16_t>(item.get<std::uint64_t>());
    }
    out = CDataId(part[0], part[1], part[2], part[3]);
    return true;
  }

  bool ReadHeads(const Json& parent, const std::string& path, std::vector<ZqHead>& heads) {
    const auto found = parent.find("heads");
    if (found == parent.end()) return true;  // the default head
    const std::string at = path + ".heads";
    if (!found->is_array() || found->empty())
      return Fail(at, "expected a list of {\"deviceEnum\", \"deviceId\"}");
    heads.clear();
    for (std::size_t i = 0; i < found->size(); ++i) {
      const Json& item = (*found)[i];
      const std::string itemPath = at + "[" + std::to_string(i) + "]";
      if (!item.is_object()) return Fail(itemPath, "expected {\"deviceEnum\": n, \"deviceId\": n}");
      ZqHead head;
      if (!ReadNumber<std::uint16_t>(item, itemPath, "deviceEnum", 0, 0xFFFF, head.deviceEnum, true) ||
          !ReadNumber<std::uint32_t>(item, itemPath, "deviceId", 1, 0xFFFFFFFF, head.deviceId, true)) {
        return false;
      }
      heads.push_back(head);
    }
    return true;
  }

  // A simulated sonar's faults, for the boards and fields of its model, and the head that answers
  // under the device's device enum, which they apply to.
  bool ReadFaults(const Json& simulate, const std::string& path, int deviceEnum, SonarLinkConfig& config) {
    const auto found = simulate.find("faults");
    if (found == simulate.end()) return true;
    const std::string at = path + ".faults";
    const std::optional<SimModel> model = SimModel::ByName(config.simulate->model);
    if (const auto problem = ReadSimFaultsJson(*found, SimFaultsJsonUse::kConfiguration,
                                               model ? &*model : nullptr, config.simulate->faults)) {
      return Fail(problem->entry.empty() ? at : at + "." + problem->entry, problem->problem);
    }
    SimServerConfig server;
    server.model = config.simulate->model;
    server.heads = config.heads;
    if (!SimHeadAnswering(server, static_cast<std::uint16_t>(deviceEnum))) {
      return Fail(at, "no head of the simulated sonar answers under the device's device enum " +
                          std::to_string(deviceEnum) + ", so the faults would apply to none");
    }
    return true;
  }

  bool ReadLink(const Json& device, const std::string& path, int deviceEnum,
                std::optional<SonarLinkConfig>& link) {
    const bool hasLink = device.contains("link");
    const bool hasSimulate = device.contains("simulate");
    if (hasLink && hasSimulate) return Fail(path, "a device has either \"link\" or \"simulate\", not both");
    if (!hasLink && !hasSimulate) return true;
    const std::string at = path + (hasLink ? ".link" : ".simulate");
    const Json& entry = device.at(hasLink ? "link" : "simulate");
    if (!entry.is_object()) return Fail(at, "expected an object");
    SonarLinkConfig config;
    if (hasLink) {
      if (!ReadText(entry, at, "address", config.address, true)) return false;
      std::string host;
      std::string port;
      std::string problem;
      if (!ZqTcpLink::ParseAddress(config.address, host, port, problem))
        return Fail(at + ".address", problem);
    } else {
      SimulatedSonarConfig simulate;
      if (!ReadText(entry, at, "model", simulate.model, false)) return false;
      if (simulate.model != "shallow" && simulate.model != "deep") {
        return Fail(at + ".model", "unknown sonar model \"" + simulate.model + "\" (shallow or deep)");
      }
      if (!ReadNumber<double>(entry, at, "biteInterval", 0.0, 86400.0, simulate.biteIntervalSeconds, false)) {
        return false;
      }
      if (!ReadText(entry, at, "recordFolder", simulate.recordFolder, false)) return false;
      if (entry.contains("recordFolder") && simulate.recordFolder.empty()) {
        return Fail(at + ".recordFolder", "expected the path of a folder");
      }
      config.simulate = simulate;
    }
    if (!ReadHeads(entry, at, config.heads)) return false;
    if (hasSimulate && !ReadFaults(entry, at, deviceEnum, config)) return false;
    link = std::move(config);
    return true;
  }

 private:
  std::string& error_;
};

}  // namespace

bool ParseHostConfig(std::string_view text, HostConfig& config, std::string& error) {
  Json document;
  // A repeated key is refused with its place: the parser alone would keep the last one silently.
  const JsonDocumentProblem problem = ReadJsonDocument(text, "", document);
  switch (problem.kind) {
    case JsonDocumentProblem::Kind::kNone:
      break;
    case JsonDocumentProblem::Kind::kMalformed:
      error = "not JSON: " + problem.message;
      return false;
    case JsonDocumentProblem::Kind::kRepeatedKey:
      error = problem.message;
      return false;
  }
  Reader reader(error);
  if (!document.is_object()) return reader.Fail("$", "expected an object with \"vessels\" and \"devices\"");

  HostConfig result;
  const auto vessels = document.find("vessels");
  if (vessels == document.end() || !vessels->is_array() || vessels->empty()) {
    return reader.Fail("vessels", "expected a list of at least one {\"number\": n, \"name\": text}");
  }
  std::set<std::uint16_t> vesselNumbers;
  for (std::size_t i = 0; i < vessels->size(); ++i) {
    const Json& item = (*vessels)[i];
    const std::string path = "vessels[" + std::to_string(i) + "]";
    if (!item.is_object()) return reader.Fail(path, "expected {\"number\": n, \"name\": text}");
    VesselConfig vessel;
    if (!reader.ReadNumber<std::uint16_t>(item, path, "number", 0, 0xFFFE, vessel.number, true) ||
        !reader.ReadText(item, path, "name", vessel.name, true)) {
      return false;
    }
    if (!vesselNumbers.insert(vessel.number).second) {
      return reader.Fail(path + ".number", "vessel " + std::to_string(vessel.number) + " is listed twice");
    }
    result.vessels.push_back(std::move(vessel));
  }

  const auto devices = document.find("devices");
  if (devices == document.end() || !devices->is_array()) return reader.Fail("devices", "expected a list");
  std::set<CDataId> dataIds;
  for (std::size_t i = 0; i < devices->size(); ++i) {
    const Json& item = (*devices)[i];
    const std::string path = "devices[" + std::to_string(i) + "]";
    if (!item.is_object()) return reader.Fail(path, "expected an object");
    DeviceConfig device;
    if (!reader.ReadText(item, path, "type", device.type, true) ||
        !reader.ReadText(item, path, "name", device.name, true) ||
        !reader.ReadDataId(item, path, device.dataId) ||
        !reader.ReadNumber<int>(item, path, "deviceEnum", 0, 0xFFFF, device.deviceEnum, false) ||
        !reader.ReadNumber<double>(item, path, "dataTimeOut", 0.0, kLongestDataTimeOutSeconds,
                                   device.dataTimeOutSeconds, false) ||
        !reader.ReadLink(item, path, device.deviceEnum, device.link)) {
      return false;
    }
    std::string restore = "offer";
    if (!reader.ReadText(item, path, "restore", restore, false)) return false;
    if (restore == "auto") {
      device.restore = RestoreMode::kAuto;
    } else if (restore == "off") {
      device.restore = RestoreMode::kOff;
    } else if (restore != "offer") {
      return reader.Fail(path + ".restore", "\"" + restore + R"(" is none of "offer", "auto" and "off")");
    }
    if (vesselNumbers.count(device.dataId.GetVesselId()) == 0) {
      return reader.Fail(path + ".dataId", "names vessel " + std::to_string(device.dataId.GetVesselId()) +
                                               ", which is not listed");
    }
    if (!dataIds.insert(device.dataId).second) {
      return reader.Fail(path + ".dataId",
                         "another device has data id " + std::string(device.dataId.GetKey().Str()));
    }
    if (const auto attributes = item.find("attributes"); attributes != item.end()) {
      const AttributeMapParseResult parsed = ReadAttributeMapJson(attributes->dump(), device.attributes);
      if (!parsed.ok) return reader.Fail(path + ".attributes", parsed.error);
    }
    result.devices.push_back(std::move(device));
  }

  if (const auto http = document.find("http"); http != document.end()) {
    if (!http->is_object())
      return reader.Fail("http", "expected {\"address\": \"host:port\", \"token\": text}");
    if (!reader.ReadText(*http, "http", "address", result.http.address, false) ||
        !reader.ReadText(*http, "http", "token", result.http.token, false)) {
      return false;
    }
  }
  config = std::move(result);
  return true;
}

std::string_view EmbeddedDefaultConfig() {
  return kEmbeddedDefault;
}
