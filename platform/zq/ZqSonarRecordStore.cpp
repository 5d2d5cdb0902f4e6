// The per-sonar store of system message records and its listeners.
#include "platform/zq/ZqSonarRecordStore.h"

#include <utility>

#include "platform/zq/ZqConfigurationDecoder.h"
#include "platform/zq/ZqWireFormat.h"

ZqSonarRecordStore::Registration::Registration(Registration&& other) noexcept
    : store_(std::exchange(other.store_, nullptr)), id_(other.id_) {}

ZqSonarRecordStore::Registration& ZqSonarRecordStore::Registration::operator=(Registration&& other) noexcept {
  if (this == &other) return *this;
  if (store_ != nullptr) store_->Unregister(id_);
  store_ = std::exchange(other.store_, nullptr);
  id_ = other.id_;
  return *this;
}

ZqSonarRecordStore::Registration::~Registration() {
  if (store_ != nullptr) store_->Unregister(id_);
}

ZqSonarRecordStore& ZqSonarRecordStore::Instance() {
  static ZqSonarRecordStore store;
  return store;
}

bool ZqSonarRecordStore::Keeps(std::uint32_t recordType) {
  return recordType == zqwire::kConfigurationRecordType || recordType == zqwire::kBiteRecordType ||
         recordType == zqwire::kEventListRecordType || recordType == zqwire::kEventRecordType;
}

void ZqSonarRecordStore::Add(const CString& sonarKey, const CString& sonarName, std::uint32_t recordType,
                             std::span<const std::byte> record) {
  if (!Keeps(recordType)) return;
  std::string bytes(reinterpret_cast<const char*>(record.data()), record.size());
  std::vector<ZqHardwareBoard> hardware;
  const bool configuration = recordType == zqwire::kConfigurationRecordType;
  if (configuration) hardware = ZqHardwareTable::Read(ZqConfigurationDecoder::XmlText(record));
  {
    std::lock_guard lock(recordsMutex_);
    Sonar& sonar = sonars_[sonarKey];
    sonar.name = sonarName;
    sonar.records[recordType] = bytes;
    if (configuration) sonar.hardware = std::move(hardware);
  }
  std::lock_guard lock(listenersMutex_);
  // A listener may register or unregister others while it is called: walk by id, not by iterator.
  std::uint64_t next = 0;
  for (auto it = listeners_.lower_bound(next); it != listeners_.end(); it = listeners_.lower_bound(next)) {
    next = it->first + 1;
    const Listener listener = it->second;  // the entry may go while it runs
    listener(sonarKey, sonarName, recordType, bytes);
  }
}

bool ZqSonarRecordStore::GetRecord(const CString& sonarKey, std::uint32_t recordType,
                                   std::string& record) const {
  std::lock_guard lock(recordsMutex_);
  const auto sonar = sonars_.find(sonarKey);
  if (sonar == sonars_.end()) return false;
  const auto found = sonar->second.records.find(recordType);
  if (found == sonar->second.records.end()) return false;
  record = found->second;
  return true;
}

std::vector<ZqHardwareBoard> ZqSonarRecordStore::GetHardwareTable(const CString& sonarKey) const {
  std::lock_guard lock(recordsMutex_);
  const auto sonar = sonars_.find(sonarKey);
  return sonar == sonars_.end() ? std::vector<ZqHardwareBoard>() : sonar->second.hardware;
}

std::vector<CString> ZqSonarRecordStore::GetSonarKeys() const {
  std::lock_guard lock(recordsMutex_);
  std::vector<CString> keys;
  keys.reserve(sonars_.size());
  for (const auto& [key, sonar] : sonars_) keys.push_back(key);
  return keys;
}

CString ZqSonarRecordStore::GetSonarName(const CString& sonarKey) const {
  std::lock_guard lock(recordsMutex_);
  const auto found = sonars_.find(sonarKey);
  return found == sonars_.end() ? CString() : found->second.name;
}

ZqSonarRecordStore::Registration ZqSonarRecordStore::Register(Listener listener) {
  std::lock_guard lock(listenersMutex_);
  const std::uint64_t id = nextId_++;
  listeners_.emplace(id, std::move(listener));
  return {this, id};
}

void ZqSonarRecordStore::Unregister(std::uint64_t id) {
  std::lock_guard lock(listenersMutex_);
  listeners_.erase(id);
}
