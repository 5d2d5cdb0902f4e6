// The state folder: each device's attribute map stored as JSON under its data id key, so that a sonar's
// settings survive a restart. A changed map is written within a second (at most once a second per
// device) by a writer thread, always to a new file that is then renamed over the old one, so that a
// file is either the old map or the new one, never half of each. A file that cannot be read is set
// aside under a new name before anything is stored in its place. One host at a time uses a folder: it
// holds the folder itself locked for as long as its store is open, so that no two processes ever write
// the same maps.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/tavrin/CDataId.h"

class Device;

class StateStore {
 public:
  static constexpr std::chrono::milliseconds kWriteInterval{1000};

  // Hears, on the writer thread, why a map could not be written (it is tried again a second later).
  using Reporter = std::function<void(const std::string& problem)>;

  // Uses folder, creating it when missing, and locks it. Null, with a message naming the folder, when
  // it cannot; a folder that another store holds is refused with that holder's process id.
  static std::unique_ptr<StateStore> Open(const std::filesystem::path& folder, Reporter reporter,
                                          std::string& error);
  StateStore(const StateStore&) = delete;
  StateStore& operator=(const StateStore&) = delete;
  // Writes what is still pending, joins the writer and releases the folder.
  ~StateStore();

  enum class LoadOutcome { kNothingStored, kLoaded, kSetAside };
  // Loads the device's stored map into it with LoadAttribs. A damaged file is renamed aside (the new
  // name is in report) and the device keeps its configured map; if even that fails, the device's map
  // is never written over the damaged file in this run.
  LoadOutcome Load(Device& device, std::string& report);

  // The device's map changed: it is written within kWriteInterval.
  void MarkChanged(const CDataId& id);
  // Writes every pending map now. Returns the messages of writes that failed (empty when all went well).
  std::string Flush();

  std::filesystem::path PathOf(const CDataId& id) const;
  const std::filesystem::path& Folder() const { return folder_; }

  // Other things the host keeps (its open views) as named files of the folder. False when nothing
  // is stored under name, or it cannot be read (problem says why).
  bool ReadNamed(const std::string& name, std::string& text, std::string& problem) const;
  // Writes text whole under name: a new file renamed over the old one. False, with a message, on failure.
  bool WriteNamed(const std::string& name, const std::string& text, std::string& error);
  // Renames a named file found damaged aside; the report says where it went, or why it stays.
  std::string SetAsideNamed(const std::string& name, const std::string& problem);

 private:
  StateStore(std::filesystem::path folder, int lockFd, Reporter reporter);
  void Run();
  // Writes the device's current map (writeMutex_ held); a message when it fails.
  std::string Write(const CDataId& id);

  const std::filesystem::path folder_;
  const int lockFd_;  // the folder, locked while it is open; the kernel unlocks it when the process ends
  const Reporter reporter_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<CDataId, std::chrono::steady_clock::time_point> lastWrite_;
  std::map<CDataId, bool> pending_;
  std::map<CDataId, bool> blocked_;  // damaged files that could not be set aside
  bool stopping_ = false;
  std::mutex writeMutex_;  // held while maps are written, by the writer thread or Flush; taken before mutex_
  std::thread writer_;
};
