// Storing and loading device attribute maps in the state folder.
#include "host/StateStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/FileObject.h"

namespace {

// Makes a rename in folder durable: until the folder itself is synced, a power loss may bring back
// the old name.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes text to path.tmp, syncs it, renames it over path, and syncs the folder.
bool WriteWhole(const std::filesystem::path& path, const std::string& text, std::string& error) {
  const std::filesystem::path temporary = path.string() + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = temporary.string() + ": cannot create";
    return false;
  }
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  const bool synced = written == text.size() && ::fsync(fd) == 0;
  ::close(fd);
  std::error_code status;
  if (!synced) {
    std::filesystem::remove(temporary, status);
    error = temporary.string() + ": cannot write";
    return false;
  }
  std::filesystem::rename(temporary, path, status);
  if (status) {
    error = path.string() + ": cannot replace: " + status.message();
    return false;
  }
  SyncFolder(path.parent_path());
  return true;
}

// A name beside path that no file has yet: path.damaged-YYYYmmdd-HHMMSS[-n].
std::filesystem::path AsideName(const std::filesystem::path& path) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::filesystem::path aside = path.string() + ".damaged-" + stamp;
  for (int n = 2; std::filesystem::exists(aside); ++n) {
    aside = path.string() + ".damaged-" + stamp + "-" + std::to_string(n);
  }
  return aside;
}

// Who holds the lock on the folder: the process that the kernel lists for it in /proc/locks, found by
// the folder's device and inode ("1: FLOCK  ADVISORY  WRITE 4242 fe:00:10969179 0 EOF").
std::string HolderOf(int fd) {
  struct stat folder {};
  std::ifstream locks("/proc/locks");
  if (::fstat(fd, &folder) != 0 || !locks) return "whose process id cannot be read";
  char device[32];
  std::snprintf(device, sizeof device, "%02x:%02x:", major(folder.st_dev), minor(folder.st_dev));
  const std::string inode = ":" + std::to_string(folder.st_ino);
  std::string exact;
  std::string sameInode;  // a file system that shows the lock under a device of its own
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, place;
    if (!(fields >> number >> kind >> mode >> access >> pid >> place) || kind != "FLOCK") continue;
    if (place == device + std::to_string(folder.st_ino)) exact = pid;
    if (sameInode.empty() && place.ends_with(inode)) sameInode = pid;
  }
  if (!exact.empty()) return "process " + exact;
  if (!sameInode.empty()) return "process " + sameInode;
  return "whose process id cannot be read";
}

// Locks the folder itself for this process, so that the folder holds nothing but the maps. The lock
// lasts until the returned descriptor is closed, by the store or by the kernel when the process ends,
// killed or not. -1, with a message naming the folder and the holder, when it cannot be had.
int LockFolder(const std::filesystem::path& folder, std::string& error) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error =
        "state folder " + folder.string() + ": cannot be opened: " + std::generic_category().message(errno);
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int problem = errno;
    error = problem == EWOULDBLOCK
                ? "state folder " + folder.string() + " is in use by another host (" + HolderOf(fd) + ")"
                : "state folder " + folder.string() +
                      ": cannot be locked: " + std::generic_category().message(problem);
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::unique_ptr<StateStore> StateStore::Open(const std::filesystem::path& folder, Reporter reporter,
                                             std::string& error) {
  std::error_code status;
  std::filesystem::create_directories(folder, status);
  if (status || !std::filesystem::is_directory(folder, status)) {
    error = "state folder " + folder.string() + ": cannot be created or is not a folder";
    return nullptr;
  }
  // Locked before anything in the folder is touched: the new files of a host that holds it are its own.
  const int lockFd = LockFolder(folder, error);
  if (lockFd < 0) return nullptr;
  // A write that a kill cut short leaves its new file behind; the old file it was to replace is whole.
  std::filesystem::directory_iterator entry(folder, status);
  for (std::error_code removed; !status && entry != std::filesystem::directory_iterator();
       entry.increment(status)) {
    if (entry->path().extension() == ".tmp") std::filesystem::remove(entry->path(), removed);
  }
  return std::unique_ptr<StateStore>(new StateStore(folder, lockFd, std::move(reporter)));
}

StateStore::StateStore(std::filesystem::path folder, int lockFd, Reporter reporter)
    : folder_(std::move(folder)), lockFd_(lockFd), reporter_(std::move(reporter)) {
  writer_ = std::thread([this] { Run(); });
}

StateStore::~StateStore() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  writer_.join();
  Flush();
  ::close(lockFd_);  // the next host may have the folder
}

std::filesystem::path StateStore::PathOf(const CDataId& id) const {
  return folder_ / (std::string(id.GetKey().Str()) + ".json");
}

StateStore::LoadOutcome StateStore::Load(Device& device, std::string& report) {
  const std::filesystem::path path = PathOf(device.GetDataId());
  std::error_code status;
  if (!std::filesystem::exists(path, status)) return LoadOutcome::kNothingStored;
  FileObject file{std::string()};
  std::string problem;
  if (FileObject::Read(path.string(), file, problem)) {
    if (device.LoadAttribs(CString(), &file)) return LoadOutcome::kLoaded;
    // Read again only to say why: a large map is read once on the way that succeeds.
    CAttributeMap check;
    const AttributeMapParseResult parsed = ReadAttributeMapJson(file.Text(), check);
    problem = parsed.ok ? "refused by the device" : parsed.error;
  }
  const std::filesystem::path aside = AsideName(path);
  std::filesystem::rename(path, aside, status);
  if (status) {
    std::lock_guard lock(mutex_);
    blocked_[device.GetDataId()] = true;
    report = path.string() + " is damaged (" + problem + ") and cannot be set aside (" + status.message() +
             "); it is left as it is and not written in this run";
  } else {
    report = path.string() + " is damaged (" + problem + "); set aside as " + aside.filename().string() +
             ", the device starts from its configuration";
  }
  return LoadOutcome::kSetAside;
}

bool StateStore::ReadNamed(const std::string& name, std::string& text, std::string& problem) const {
  const std::filesystem::path path = folder_ / name;
  std::error_code status;
  if (!std::filesystem::exists(path, status)) return false;
  FileObject file{std::string()};
  if (!FileObject::Read(path.string(), file, problem)) return false;
  text = file.Text();
  return true;
}

bool StateStore::WriteNamed(const std::string& name, const std::string& text, std::string& error) {
  return WriteWhole(folder_ / name, text, error);
}

std::string StateStore::SetAsideNamed(const std::string& name, const std::string& problem) {
  const std::filesystem::path path = folder_ / name;
  const std::filesystem::path aside = AsideName(path);
  std::error_code status;
  std::filesystem::rename(path, aside, status);
  if (status) {
    return path.string() + " is damaged (" + problem + ") and cannot be set aside (" + status.message() + ")";
  }
  return path.string() + " is damaged (" + problem + "); set aside as " + aside.filename().string();
}

void StateStore::MarkChanged(const CDataId& id) {
  {
    std::lock_guard lock(mutex_);
    pending_[id] = true;
  }
  changed_.notify_all();
}

std::string StateStore::Write(const CDataId& id) {
  {
    std::lock_guard lock(mutex_);
    if (blocked_.contains(id)) return {};
  }
  CAttributeMap map;
  if (!DataManager::GetDataManager().GetAttributeMap(id, map)) return {};
  std::string error;
  return WriteWhole(PathOf(id), WriteAttributeMapJson(map, 1) + "\n", error) ? std::string() : error;
}

std::string StateStore::Flush() {
  // Waits for a batch the writer has taken, so that everything marked before the call is on disk.
  std::lock_guard writing(writeMutex_);
  std::map<CDataId, bool> due;
  {
    std::lock_guard lock(mutex_);
    due.swap(pending_);
  }
  std::string errors;
  for (const auto& [id, unused] : due) {
    const std::string error = Write(id);
    if (!error.empty()) errors += (errors.empty() ? "" : "\n") + error;
  }
  return errors;
}

void StateStore::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    // The next device whose map may be written: pending, and last written long enough ago.
    const auto now = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> nextDue;
    std::vector<CDataId> due;
    for (const auto& [id, unused] : pending_) {
      const auto last = lastWrite_.find(id);
      const auto dueAt = last == lastWrite_.end() ? now : last->second + kWriteInterval;
      if (dueAt <= now) {
        due.push_back(id);
      } else if (!nextDue || dueAt < *nextDue) {
        nextDue = dueAt;
      }
    }
    if (due.empty()) {
      if (nextDue) {
        changed_.wait_until(lock, *nextDue);
      } else {
        changed_.wait(lock);
      }
      continue;
    }
    lock.unlock();
    std::lock_guard writing(writeMutex_);
    lock.lock();
    std::erase_if(due, [this](const CDataId& id) { return !pending_.contains(id); });  // Flush took them
    for (const CDataId& id : due) {
      pending_.erase(id);
      lastWrite_[id] = now;
    }
    lock.unlock();
    for (const CDataId& id : due) {
      const std::string error = Write(id);
      if (error.empty()) continue;
      if (reporter_) reporter_(error);
      MarkChanged(id);  // tried again a write interval later
    }
    lock.lock();
  }
}
