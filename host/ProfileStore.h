// The operator's named profiles of each sonar: settings saved to be applied again later. A sonar's
// profiles are stored together in the state folder, one file per sonar written whole on each change;
// a file that cannot be read is set aside and reported like the host's other state, and the sonar
// starts with no profiles.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tavrin/CAttributeMap.h"

class StateStore;

class ProfileStore {
 public:
  static constexpr std::size_t kLongestName = 64;  // characters

  struct Profile {
    std::string name;
    double saved = 0.0;  // seconds since the Unix epoch
    CAttributeMap settings;
  };

  // state may be null: profiles are kept for this run only. Damaged files are reported on report.
  ProfileStore(StateStore* state, std::function<void(const std::string&)> report);

  // Why name cannot name a profile (empty when it can): 1 to 64 printable characters of UTF-8.
  static std::string NameProblem(std::string_view name);

  // Reads the device's stored profiles, once before the others are used for it.
  void Load(const std::string& device);
  // The device's profiles, by name.
  std::vector<Profile> List(const std::string& device) const;
  std::optional<Profile> Find(const std::string& device, const std::string& name) const;
  enum class Saved { kCreated, kReplaced, kFailed };
  // Stores profile, replacing one of its name. kFailed, with a message, when it cannot be written (the
  // profiles stay as they were).
  Saved Save(const std::string& device, Profile profile, std::string& error);
  enum class Deleted { kDeleted, kNotFound, kFailed };
  Deleted Delete(const std::string& device, const std::string& name, std::string& error);

 private:
  using Profiles = std::map<std::string, Profile>;
  // Writes a device's profiles whole; false with a message when it cannot.
  bool Store(const std::string& device, const Profiles& profiles, std::string& error);

  StateStore* const state_;
  const std::function<void(const std::string&)> report_;
  mutable std::mutex mutex_;
  std::map<std::string, Profiles> devices_;
};
