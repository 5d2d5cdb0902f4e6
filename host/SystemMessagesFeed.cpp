// Sonar records to system messages views.
#include "host/SystemMessagesFeed.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "host/UiThread.h"
#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/tavrin/MbsSystemMessages.h"
#include "platform/zq/ZqSonarRecordStore.h"
#include "platform/zq/ZqWireFormat.h"

namespace {

// The kinds a view that opens takes from the record store, configuration first (so that the BITE
// results after it can be named) and BITE results last; the events come in between, from the feed.
constexpr std::array<std::uint32_t, 2> kKeptByTheStore = {zqwire::kConfigurationRecordType,
                                                          zqwire::kBiteRecordType};

// Remote control 1050 asks for one record of the type in its payload.
constexpr std::uint32_t kSingleRecordRequestId = 1050;
constexpr std::size_t kRemoteControlHeaderSize = 24;

// The request for the stored events of the head that sent a record.
std::string EventListRequest(const std::string& record) {
  const zqwire::RecordHeader header = zqwire::ReadHeader(zqwire::AsBytes(record));
  std::string data(kRemoteControlHeaderSize + 4, '\0');
  const auto bytes = std::as_writable_bytes(std::span(data.data(), data.size()));
  le::PutU32(bytes, 0, kSingleRecordRequestId);
  le::PutU32(bytes, 4, kSingleRecordRequestId);  // the ticket
  le::PutU32(bytes, kRemoteControlHeaderSize, zqwire::kEventListRecordType);
  return zqwire::BuildRecord(zqwire::kRemoteControlRecordType, header.deviceId, header.deviceEnum, data,
                             CExTime::GetCurTime());
}

}  // namespace

struct SystemMessagesFeed::Impl {
  // A sonar's latest stored events and the events since, for a view that opens later: a view takes
  // the stored events once, so the ones after them must come with them.
  struct Events {
    std::string list;
    std::deque<std::string> since;  // oldest first
  };

  UiThread* ui = nullptr;
  std::vector<CDataId> sonars;
  std::map<CString, Events> events;  // by sonar key; UI thread only
  ZqSonarRecordStore::Registration registration;

  std::optional<CDataId> Sonar(const CString& key) const {
    const auto found = std::ranges::find_if(sonars, [&key](const CDataId& id) { return id.GetKey() == key; });
    if (found == sonars.end()) return std::nullopt;
    return *found;
  }

  // On the UI thread, in order with the records handed to the views, so that a view that opens gets
  // each event either among the kept ones or as it comes, never both.
  void Keep(const CString& key, std::uint32_t type, const std::string& record) {
    if (type == zqwire::kEventListRecordType) {
      events[key] = Events{record, {}};
    } else if (type == zqwire::kEventRecordType) {
      std::deque<std::string>& since = events[key].since;
      since.push_back(record);
      if (since.size() > MbsSystemMessages::kEventsKeptPerSonar) since.pop_front();
    }
  }

  std::vector<MbsSystemMessages::SonarRecord> KeptRecords() const {
    std::vector<MbsSystemMessages::SonarRecord> kept;
    const ZqSonarRecordStore& store = ZqSonarRecordStore::Instance();
    const std::vector<CString> keys = store.GetSonarKeys();
    const auto add = [&](const CString& key, std::string record) {
      if (const std::optional<CDataId> id = Sonar(key))
        kept.push_back({store.GetSonarName(key), *id, std::move(record)});
    };
    std::string record;
    for (const CString& key : keys) {
      if (store.GetRecord(key, kKeptByTheStore.front(), record)) add(key, record);
    }
    for (const auto& [key, sonarEvents] : events) {
      if (!sonarEvents.list.empty()) add(key, sonarEvents.list);
      for (const std::string& event : sonarEvents.since) add(key, event);
    }
    for (const CString& key : keys) {
      if (store.GetRecord(key, kKeptByTheStore.back(), record)) add(key, record);
    }
    return kept;
  }
};

SystemMessagesFeed::SystemMessagesFeed(UiThread& ui, std::vector<CDataId> sonars)
    : impl_(std::make_unique<Impl>()) {
  impl_->ui = &ui;
  impl_->sonars = std::move(sonars);
  // The views read the kept records on the UI thread, so that is where the source changes.
  ui.Run([impl = impl_.get()] { MbsSystemMessages::SetKeptRecords([impl] { return impl->KeptRecords(); }); });
  // Called on a link's thread: the record goes to the UI thread, where the views live.
  impl_->registration = ZqSonarRecordStore::Instance().Register(
      [impl = impl_.get(), &ui](const CString& key, const CString& name, std::uint32_t type,
                                const std::string& record) {
        const std::optional<CDataId> id = impl->Sonar(key);
        if (!id) return;
        // A sonar sends its configuration when it connects: the host then asks for its stored events
        // too, which the event page shows before the events that come one by one.
        if (type == zqwire::kConfigurationRecordType) {
          if (Device* device = DataManager::GetDataManager().FindDevice(*id)) {
            device->SendMessage(CString(EventListRequest(record)), false);
          }
        }
        ui.Post([impl, key, name, id = *id, type, record] {
          impl->Keep(key, type, record);
          MbsSystemMessages::DeliverToOpenViews(name, id,
                                                std::as_bytes(std::span(record.data(), record.size())));
        });
      });
}

SystemMessagesFeed::~SystemMessagesFeed() {
  impl_->registration = ZqSonarRecordStore::Registration();
  // Once the UI thread has stopped, no view reads the source any more.
  if (!impl_->ui->Run([] { MbsSystemMessages::SetKeptRecords(nullptr); }))
    MbsSystemMessages::SetKeptRecords(nullptr);
}
