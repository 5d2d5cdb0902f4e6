// Profiles kept in memory and written whole, one file a sonar.
#include "host/ProfileStore.h"

#include <nlohmann/json.hpp>

#include "host/PrintableName.h"
#include "host/StateStore.h"
#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/JsonDocument.h"

namespace {

using Json = nlohmann::ordered_json;

std::string ProfilesFileOf(const std::string& device) {
  return "profiles-" + device + ".json";
}

}  // namespace

ProfileStore::ProfileStore(StateStore* state, std::function<void(const std::string&)> report)
    : state_(state), report_(std::move(report)) {}

std::string ProfileStore::NameProblem(std::string_view name) {
  return PrintableNameProblem(name, "a profile's name", kLongestName);
}

void ProfileStore::Load(const std::string& device) {
  Profiles profiles;
  std::string text;
  std::string problem;
  if (state_ != nullptr && state_->ReadNamed(ProfilesFileOf(device), text, problem)) {
    Json stored;
    const bool parsed = ReadJsonDocument(text, "$", stored).kind == JsonDocumentProblem::Kind::kNone;
    const Json* list =
        parsed && stored.is_object() && stored.contains("profiles") ? &stored["profiles"] : nullptr;
    problem = list != nullptr && list->is_array() ? std::string() : "not a list of profiles";
    for (std::size_t i = 0; problem.empty() && i < list->size(); ++i) {
      const Json& entry = (*list)[i];
      const std::string at = "profiles[" + std::to_string(i) + "]: ";
      Profile profile;
      if (!entry.is_object() || !entry.contains("name") || !entry["name"].is_string() ||
          !entry.contains("saved") || !entry["saved"].is_number() || !entry.contains("settings")) {
        problem = at + R"(needs "name", "saved" and "settings")";
        break;
      }
      profile.name = entry["name"].get<std::string>();
      profile.saved = entry["saved"].get<double>();
      if (const std::string bad = NameProblem(profile.name); !bad.empty()) {
        problem = at + bad;
      } else if (const AttributeMapParseResult read =
                     ReadAttributeMapJson(entry["settings"].dump(), profile.settings);
                 !read.ok) {
        problem = at + read.error;
      } else {
        profiles[profile.name] = std::move(profile);
      }
    }
    if (!problem.empty()) {
      report_(state_->SetAsideNamed(ProfilesFileOf(device), problem));
      profiles.clear();
    }
  } else if (!problem.empty()) {
    report_(problem);
  }
  std::lock_guard lock(mutex_);
  devices_[device] = std::move(profiles);
}

std::vector<ProfileStore::Profile> ProfileStore::List(const std::string& device) const {
  std::lock_guard lock(mutex_);
  std::vector<Profile> list;
  if (const auto found = devices_.find(device); found != devices_.end()) {
    for (const auto& [name, profile] : found->second) list.push_back(profile);
  }
  return list;
}

std::optional<ProfileStore::Profile> ProfileStore::Find(const std::string& device,
                                                        const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(device);
  if (found == devices_.end()) return std::nullopt;
  const auto profile = found->second.find(name);
  if (profile == found->second.end()) return std::nullopt;
  return profile->second;
}

ProfileStore::Saved ProfileStore::Save(const std::string& device, Profile profile, std::string& error) {
  std::lock_guard lock(mutex_);
  Profiles changed = devices_[device];
  const bool replaced = changed.contains(profile.name);
  const std::string name = profile.name;
  changed[name] = std::move(profile);
  if (!Store(device, changed, error)) return Saved::kFailed;
  devices_[device] = std::move(changed);
  return replaced ? Saved::kReplaced : Saved::kCreated;
}

ProfileStore::Deleted ProfileStore::Delete(const std::string& device, const std::string& name,
                                           std::string& error) {
  std::lock_guard lock(mutex_);
  Profiles changed = devices_[device];
  if (changed.erase(name) == 0) return Deleted::kNotFound;
  if (!Store(device, changed, error)) return Deleted::kFailed;
  devices_[device] = std::move(changed);
  return Deleted::kDeleted;
}

bool ProfileStore::Store(const std::string& device, const Profiles& profiles, std::string& error) {
  if (state_ == nullptr) return true;
  Json list = Json::array();
  for (const auto& [name, profile] : profiles) {
    list.push_back(Json{{"name", name},
                        {"saved", profile.saved},
                        {"settings", Json::parse(WriteAttributeMapJson(profile.settings))}});
  }
  const std::string text =
      Json{{"profiles", std::move(list)}}.dump(2, ' ', false, Json::error_handler_t::replace);
  return state_->WriteNamed(ProfilesFileOf(device), text + "\n", error);
}
