// The system message records of every sonar seen (configuration 7003, BITE results 7021, stored events
// 7050, event 7051): the last of each type per sonar, the hardware table of its last configuration,
// and whoever registered to hear them as they arrive. One per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/zq/ZqHardwareTable.h"

class ZqSonarRecordStore {
 public:
  // Called on the thread that hands the record in, with the sonar's key (its device's data id key),
  // its name, the record type and the whole record.
  using Listener = std::function<void(const CString& sonarKey, const CString& sonarName,
                                      std::uint32_t recordType, const std::string& record)>;

  // A listener's registration; destroying it unregisters the listener. After the destructor returns,
  // the listener is not called any more, also not from another thread.
  class Registration {
   public:
    Registration() = default;
    Registration(Registration&& other) noexcept;
    Registration& operator=(Registration&& other) noexcept;
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration();

   private:
    friend class ZqSonarRecordStore;
    Registration(ZqSonarRecordStore* store, std::uint64_t id) : store_(store), id_(id) {}
    ZqSonarRecordStore* store_ = nullptr;
    std::uint64_t id_ = 0;
  };

  static ZqSonarRecordStore& Instance();

  ZqSonarRecordStore(const ZqSonarRecordStore&) = delete;
  ZqSonarRecordStore& operator=(const ZqSonarRecordStore&) = delete;

  // Whether the store keeps records of that type.
  static bool Keeps(std::uint32_t recordType);

  // Keeps a whole record of a kept type as the sonar's last of its type (a configuration also replaces
  // the sonar's hardware table), then hands it to every listener. Records of other types are ignored.
  void Add(const CString& sonarKey, const CString& sonarName, std::uint32_t recordType,
           std::span<const std::byte> record);

  // The sonar's last record of that type. False when none came.
  bool GetRecord(const CString& sonarKey, std::uint32_t recordType, std::string& record) const;
  // The boards of the sonar's last configuration; empty before one came.
  std::vector<ZqHardwareBoard> GetHardwareTable(const CString& sonarKey) const;
  // The keys of the sonars that sent a kept record, in key order.
  std::vector<CString> GetSonarKeys() const;
  // The name a sonar's records came under last; empty for a sonar that sent none.
  CString GetSonarName(const CString& sonarKey) const;

  // Listeners may register and unregister from any thread, also from within a listener call. Listeners
  // are called one at a time; a listener must not wait for another thread that unregisters one.
  [[nodiscard]] Registration Register(Listener listener);

 private:
  ZqSonarRecordStore() = default;
  void Unregister(std::uint64_t id);

  struct Sonar {
    CString name;
    std::map<std::uint32_t, std::string> records;
    std::vector<ZqHardwareBoard> hardware;
  };

  mutable std::mutex recordsMutex_;
  std::map<CString, Sonar> sonars_;

  // Held while listeners are called and while one is unregistered, so that an unregistered listener
  // is never called afterwards; recursive so that a listener may register or unregister.
  std::recursive_mutex listenersMutex_;
  std::map<std::uint64_t, Listener> listeners_;
  std::uint64_t nextId_ = 1;
};
