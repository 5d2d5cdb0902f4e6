// Reading and writing fault switches, one member a row.
#include "host/SimFaultsJson.h"

#include <string_view>

#include "sim/SimModel.h"

namespace {

using FaultsJson = nlohmann::ordered_json;
using FaultProblem = std::optional<SimFaultProblem>;

FaultProblem FaultAt(std::string entry, std::string problem) {
  return SimFaultProblem{std::move(entry), std::move(problem)};
}

FaultProblem ReadBoards(const FaultsJson& value, SimFaults& faults) {
  if (!value.is_object()) return FaultAt("boards", R"(expected an object of board flags, e.g. {"TX1": 1})");
  for (const auto& item : value.items()) {
    const FaultsJson& flags = item.value();
    if (!flags.is_number_integer() || flags.get<std::int64_t>() < 0 || flags.get<std::int64_t>() > 7) {
      return FaultAt("boards." + item.key(),
                     "expected status flags from 0 to 7 (1 uplink, 2 downlink, 4 BITE error)");
    }
    faults.boards[item.key()] = flags.get<unsigned>();
  }
  return std::nullopt;
}

FaultProblem ReadFields(const FaultsJson& value, SimFaults& faults) {
  if (!value.is_array()) return FaultAt("fieldsOutOfLimits", R"(expected a list of "BOARD/FIELD")");
  std::vector<std::string> fields;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (!value[i].is_string()) {
      return FaultAt("fieldsOutOfLimits[" + std::to_string(i) + "]", R"(expected a text "BOARD/FIELD")");
    }
    fields.push_back(value[i].get<std::string>());
  }
  faults.fieldsOutOfLimits = std::move(fields);
  return std::nullopt;
}

FaultProblem ReadSilent(const FaultsJson& value, SimFaults& faults) {
  if (!value.is_boolean()) return FaultAt("silent", "expected true or false");
  faults.silent = value.get<bool>();
  return std::nullopt;
}

FaultProblem ReadPowerCycle(const FaultsJson& value, SimFaults& faults) {
  if (!value.is_boolean()) return FaultAt("powerCycle", "expected true (or false, which does nothing)");
  faults.powerCycle = value.get<bool>();
  return std::nullopt;
}

// {"type": 0..65535, "text": "..."} at `entry`.
FaultProblem ReadEvent(const FaultsJson& value, const std::string& entry, SimFaults& faults) {
  if (!value.is_object()) return FaultAt(entry, R"(expected {"type": n, "text": "..."})");
  for (const auto& item : value.items()) {
    if (item.key() != "type" && item.key() != "text") {
      return FaultAt(entry + "." + item.key(), "unknown member (type, text)");
    }
  }
  const auto type = value.find("type");
  if (type == value.end() || !type->is_number_integer() || type->get<std::int64_t>() < 0 ||
      type->get<std::int64_t>() > 0xFFFF) {
    return FaultAt(entry + ".type", "expected a whole number from 0 to 65535");
  }
  const auto text = value.find("text");
  if (text == value.end() || !text->is_string() ||
      text->get_ref<const std::string&>().size() > kLongestFaultEventText) {
    return FaultAt(entry + ".text",
                   "expected a text of at most " + std::to_string(kLongestFaultEventText) + " bytes");
  }
  faults.events.push_back({0, type->get<std::uint16_t>(), text->get<std::string>()});
  return std::nullopt;
}

FaultProblem ReadOneEvent(const FaultsJson& value, SimFaults& faults) {
  return ReadEvent(value, "event", faults);
}

FaultProblem ReadEventList(const FaultsJson& value, SimFaults& faults) {
  if (!value.is_array()) return FaultAt("events", R"(expected a list of {"type": n, "text": "..."})");
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (FaultProblem problem = ReadEvent(value[i], "events[" + std::to_string(i) + "]", faults))
      return problem;
  }
  return std::nullopt;
}

struct Member {
  std::string_view name;
  bool inConfiguration;
  bool inChange;
  FaultProblem (*read)(const FaultsJson& value, SimFaults& faults);
};

// The members each object takes.
constexpr Member kMembers[] = {
    {"boards", true, true, &ReadBoards},     {"fieldsOutOfLimits", true, true, &ReadFields},
    {"silent", true, true, &ReadSilent},     {"event", false, true, &ReadOneEvent},
    {"events", true, false, &ReadEventList}, {"powerCycle", false, true, &ReadPowerCycle},
};

bool Takes(const Member& member, SimFaultsJsonUse use) {
  return use == SimFaultsJsonUse::kConfiguration ? member.inConfiguration : member.inChange;
}

std::string MemberNames(SimFaultsJsonUse use) {
  std::string names;
  for (const Member& member : kMembers) {
    if (Takes(member, use)) names += (names.empty() ? "" : ", ") + std::string(member.name);
  }
  return names;
}

}  // namespace

std::optional<SimFaultProblem> ReadSimFaultsJson(const nlohmann::ordered_json& object, SimFaultsJsonUse use,
                                                 const SimModel* model, SimFaults& faults) {
  if (!object.is_object()) return FaultAt("", "expected an object with any of " + MemberNames(use));
  SimFaults read;
  for (const auto& item : object.items()) {
    const Member* member = nullptr;
    for (const Member& candidate : kMembers) {
      if (candidate.name == item.key() && Takes(candidate, use)) member = &candidate;
    }
    if (member == nullptr) return FaultAt(item.key(), "unknown member (" + MemberNames(use) + ")");
    if (FaultProblem problem = member->read(item.value(), read)) return problem;
  }
  if (model != nullptr) {
    if (FaultProblem problem = FindUnknownFaultName(*model, read)) return problem;
  }
  faults = std::move(read);
  return std::nullopt;
}

nlohmann::ordered_json SimFaultsJson(const SimFaults& faults) {
  FaultsJson boards = FaultsJson::object();
  for (const auto& [board, flags] : faults.boards) {
    if (flags != 0) boards[board] = flags;
  }
  return FaultsJson{{"boards", std::move(boards)},
                    {"fieldsOutOfLimits", faults.fieldsOutOfLimits.value_or(std::vector<std::string>{})},
                    {"silent", faults.silent.value_or(false)}};
}
