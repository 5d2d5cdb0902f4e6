// Setting up and taking down a running host.
#include "host/HostRuntime.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <map>
#include <mutex>
#include <ostream>
#include <span>
#include <string_view>
#include <unordered_set>

#include "host/DataTimeOutFloor.h"
#include "host/LinkActivity.h"
#include "host/OperatorMemory.h"
#include "host/PeriodicTask.h"
#include "host/StateStore.h"
#include "host/SystemMessagesFeed.h"
#include "host/UiThread.h"
#include "host/ViewHost.h"
#include "link/ZqCaptureFile.h"
#include "link/ZqLinkContext.h"
#include "platform/afx/CWnd.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/HostLogging.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/tavrin/TimerQueue.h"
#include "platform/tavrin/VesselManager.h"
#include "platform/zq/KavoDevice.h"
#include "platform/zq/KavoSocketIoHandler.h"
#include "platform/zq/ZqSonarRecordStore.h"
#include "platform/zq/ZqWireFormat.h"
#include "sim/PingLog.h"
#include "sim/SimFaults.h"
#include "sim/SimServer.h"

namespace {

constexpr std::uint16_t kSonarGroup = 78;
constexpr std::uint16_t kSensorGroup = 40;
constexpr unsigned short kSoundVelocityItem = 801;
constexpr unsigned short kSoundVelocityKey2 = 1;
// Where a device's pending change requests wait for the UI thread's apply.
constexpr const char* kRequestMap = "Request";
// A sonar records with the host's logging while this attribute of its device is true, and its
// recording shows in this setting.
constexpr const char* kRecordWithLoggingKey = "SyncDataRecording";
constexpr const char* kRecordingKey = "ZqDataRecording";
constexpr const char* kPingNumberKey = "ZqPingNumber";
// The file of the change history in the state folder.
constexpr const char* kHistoryFile = "history.jsonl";
constexpr std::chrono::seconds kRememberedWriteInterval{1};

}  // namespace

struct HostRuntime::Impl {
  struct Link {
    std::size_t index = 0;
    std::string device;
    std::string address;
    bool simulated = false;
    KavoDevice* sonarDevice = nullptr;  // attached to the socket; null for a device of another kind
    Device* device_ = nullptr;
    ZqTcpLink* tcp = nullptr;
    std::unique_ptr<LinkActivity> activity;  // reads the records the link passes, on its thread
    std::unique_ptr<KavoSocketIoHandler> socket;
    SimServer* simulator = nullptr;            // the in-process simulated sonar, if any
    std::optional<std::size_t> simulatedHead;  // its head answering under the device's device enum

    LinkInfo Info() const;
  };

  // Has the state folder store a device's map after each change of it, and tells the watchers.
  class DeviceChanged : public Subscriber {
   public:
    DeviceChanged(Impl& impl, CDataId id) : impl_(impl), id_(id) {}
    void Notify(const NotificationInfo* /*info*/) override {
      if (impl_.state) impl_.state->MarkChanged(id_);
      impl_.Tell([this](Watcher& watcher) { watcher.AttributesChanged(id_); });
    }

   private:
    Impl& impl_;
    CDataId id_;
  };

  // Tells the watchers what the operator's memory reports.
  class MemoryChanged : public OperatorMemory::Listener {
   public:
    explicit MemoryChanged(Impl& impl) : impl_(impl) {}
    void HistoryRecorded(const std::string& entry) override {
      impl_.Tell([&](Watcher& watcher) { watcher.HistoryRecorded(entry); });
    }
    void RestoreChanged(const std::string& device) override {
      impl_.Tell([&](Watcher& watcher) { watcher.RestoreChanged(device); });
    }

   private:
    Impl& impl_;
  };

  // Tells the watchers what the views report.
  class ViewsChanged : public ViewHost::Listener {
   public:
    explicit ViewsChanged(Impl& impl) : impl_(impl) {}
    void ViewChanged(int id, std::uint64_t version, bool closed) override {
      impl_.Tell([&](Watcher& watcher) { watcher.ViewChanged(id, version, closed); });
    }
    void HelpAsked(int id, const std::string& topic) override {
      impl_.Tell([&](Watcher& watcher) { watcher.HelpAsked(id, topic); });
    }

   private:
    Impl& impl_;
  };

  ~Impl() { Stop(); }
  void Stop();
  // On the links' I/O thread, as the link connects or is lost.
  void OnLinkState(const Link& link, ZqTcpLink::State linkState);
  void OnSonarRecord(const CString& key, const CString& name, std::uint32_t type, const std::string& record);
  // On a link's I/O thread, for each sequenced ping seen: kept for a minute and told to the watchers.
  void OnPing(const SeenPing& ping);
  // On a link's I/O thread, for each settings record its sonar device read.
  void OnSettingsReported(const Device& device, const CAttributeMap& reported);
  // Merges a request and posts its apply (HostRuntime::Request).
  RequestResult Request(const CDataId& id, const CAttributeMap& request, const RequestOrigin& origin);
  // On the UI thread: the device applies its pending requests, and each key it took is a change in
  // the history, from the origin its request was made with (fallback when none was noted).
  void ApplyRequests(const CDataId& id, const RequestOrigin& fallback);
  template <typename Call>
  void Tell(const Call& call) {
    std::lock_guard lock(watchMutex);
    for (Watcher* watcher : watchers) call(*watcher);
  }

  HostConfig config;
  std::unique_ptr<ZqCaptureFile> capture;  // outlives the links that write to it
  std::unique_ptr<StateStore> state;
  std::shared_ptr<PingLog> pingLog;
  std::vector<std::unique_ptr<SimServer>> sonars;
  TimerQueue timeOuts;                       // the sonar devices' data time-outs; outlives their timers
  ZqLinkContext linkContext;                 // outlives the links
  std::vector<std::unique_ptr<Link>> links;  // each where its link's reports find it
  std::vector<CDataId> devices;
  std::vector<std::unique_ptr<SubscriptionImpl>> deviceSubscriptions;
  ZqSonarRecordStore::Registration sonarRecords;
  std::mutex watchMutex;
  std::vector<Watcher*> watchers;
  std::mutex pingsMutex;
  std::deque<SeenPing> pings;  // the last kPingsKept, oldest first
  UiThread ui;
  ViewsChanged viewsChanged{*this};
  std::unique_ptr<ViewHost> views;                     // runs on ui, stores in state
  std::unique_ptr<SystemMessagesFeed> systemMessages;  // hands sonar records to the views on ui
  MemoryChanged memoryChanged{*this};
  std::unique_ptr<OperatorMemory> memory;  // outlives the links that report to it
  std::unique_ptr<PeriodicTask> rememberedWriter;
  std::mutex originsMutex;
  std::map<std::pair<CDataId, std::string>, RequestOrigin> origins;  // of the keys waiting in "Request"
  std::string viewClient;             // the UI thread's: the client whose view actions were handled last
  std::atomic<bool> stopping{false};  // read by the links' reports
  bool stopped = false;
};

HostRuntime::LinkInfo HostRuntime::Impl::Link::Info() const {
  LinkInfo info{index,     device_->GetDataId(), device,       address,
                simulated, tcp->GetCounters(),   std::nullopt, activity->SecondsSinceSettings()};
  double time = 0.0;
  unsigned short status = 0;
  if (device_->GetDataSource().GetBufferStatus(time, status)) info.bufferStatus = status;
  return info;
}

void HostRuntime::Impl::OnLinkState(const Link& link, ZqTcpLink::State linkState) {
  if (stopping) return;
  if (link.sonarDevice != nullptr) {
    link.sonarDevice->SetLinkConnected(linkState == ZqTcpLink::State::kConnected);
    if (linkState == ZqTcpLink::State::kConnected)
      memory->Connected(link.device_->GetDataId().GetKey().Str());
  }
  std::lock_guard lock(watchMutex);
  if (watchers.empty()) return;
  const LinkInfo info = link.Info();
  for (Watcher* watcher : watchers) watcher->LinkChanged(info);
}

void HostRuntime::Impl::OnSonarRecord(const CString& key, const CString& name, std::uint32_t type,
                                      const std::string& record) {
  if (type != zqwire::kEventRecordType) return;
  std::lock_guard lock(watchMutex);
  if (watchers.empty()) return;
  auto event = ZqMessageRecords::DecodeEvent(std::as_bytes(std::span(record.data(), record.size())));
  if (!event) return;
  const SonarEvent arrived{key.Str(), name.Str(), std::move(*event)};
  for (Watcher* watcher : watchers) watcher->SonarEventArrived(arrived);
}

void HostRuntime::Impl::OnPing(const SeenPing& ping) {
  if (stopping) return;
  {
    std::lock_guard lock(pingsMutex);
    pings.push_back(ping);
    while (!pings.empty() && pings.front().release < ping.release - kPingsKept.count()) pings.pop_front();
  }
  Tell([&ping](Watcher& watcher) { watcher.PingSeen(ping); });
}

void HostRuntime::Impl::OnSettingsReported(const Device& device, const CAttributeMap& reported) {
  if (stopping) return;
  // Only the settings a change request can set are remembered.
  const std::span<const char* const> keys = device.GetRequestKeys();
  CAttributeMap settings;
  for (const CAttributeMap::Entry& entry : reported.Entries()) {
    if (!entry.IsMap() && std::find(keys.begin(), keys.end(), entry.key.View()) != keys.end()) {
      settings.Add(entry.key, entry.value);
    }
  }
  std::optional<std::int64_t> pingNumber;
  if (std::int64_t number = 0; reported.FindValue(kPingNumberKey).GetValue(number)) pingNumber = number;
  memory->Reported(device.GetDataId().GetKey().Str(), settings, pingNumber);
}

void HostRuntime::Impl::Stop() {
  if (stopped) return;
  stopped = true;
  // No time-out is judged once the host stops, and what its links report is no longer heard.
  stopping = true;
  for (const auto& link : links) {
    if (link->sonarDevice != nullptr) link->sonarDevice->SetSettingsReport(nullptr);
  }
  if (rememberedWriter) rememberedWriter->Stop();
  sonarRecords = ZqSonarRecordStore::Registration();
  deviceSubscriptions.clear();
  for (const auto& link : links) {
    if (link->sonarDevice != nullptr) link->sonarDevice->StopDataTimeOut();
  }
  systemMessages.reset();
  // The views go on the UI thread, stored for the next start, before it stops.
  if (views) views->CloseAll();
  ui.Stop();
  AfxSetUiThread({}, nullptr);
  views.reset();
  for (const auto& link : links) {
    if (link->sonarDevice != nullptr) link->socket->DetachDevice(link->sonarDevice);
    link->device_->SetPortPtr(nullptr);
    link->socket.reset();  // stops the link: no record or report arrives afterwards
  }
  links.clear();
  linkContext.Stop();
  for (auto& sonar : sonars) sonar->Stop();
  sonars.clear();
  if (memory) memory->Flush();
  if (state) {
    for (const CDataId& id : devices) state->MarkChanged(id);
    state.reset();  // writes every map
  }
  for (const CDataId& id : devices) DataManager::GetDataManager().RemoveDevice(id);
  devices.clear();
  VesselManager::GetVesselManager().Clear();
}

HostRuntime::HostRuntime(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

HostRuntime::~HostRuntime() {
  impl_->Stop();
}

std::unique_ptr<HostRuntime> HostRuntime::Start(const HostConfig& config, const HostRuntimeOptions& options,
                                                const DeviceFactory& factory, std::ostream& log,
                                                std::string& error) {
  auto impl = std::make_unique<Impl>();
  impl->config = config;
  if (!options.pingLogPath.empty()) {
    impl->pingLog = PingLog::Open(options.pingLogPath, error);
    if (!impl->pingLog) return nullptr;
  }
  if (!options.capturePath.empty()) {
    impl->capture = ZqCaptureFile::Open(options.capturePath, error);
    if (!impl->capture) return nullptr;
  }
  if (!options.stateFolder.empty()) {
    impl->state = StateStore::Open(
        options.stateFolder, [&log](const std::string& problem) { log << "state: " << problem << std::endl; },
        error);
    if (!impl->state) return nullptr;
  }
  std::unique_ptr<ChangeHistory> history =
      ChangeHistory::Open(impl->state ? impl->state->Folder() / kHistoryFile : std::filesystem::path(),
                          ChangeHistory::kDefaultMaxEntries, error);
  if (!history) return nullptr;
  if (history->DamagedLines() > 0) {
    log << "state: " << kHistoryFile << ": " << history->DamagedLines() << " damaged lines skipped"
        << std::endl;
  }
  impl->memory = std::make_unique<OperatorMemory>(
      impl->state.get(), std::move(history),
      [raw = impl.get()](const std::string& device, const CAttributeMap& request,
                         const RequestOrigin& origin) {
        for (const CDataId& id : raw->devices) {
          if (id.GetKey().Str() == device) return static_cast<bool>(raw->Request(id, request, origin));
        }
        return false;
      },
      [&log](const std::string& problem) { log << "state: " << problem << std::endl; });
  impl->memory->SetListener(&impl->memoryChanged);

  // Posted messages and the views' notifications run on the UI thread.
  AfxSetUiThread(impl->ui.Id(),
                 [ui = &impl->ui](std::function<void()> work) { return ui->Post(std::move(work)); });
  impl->views = std::make_unique<ViewHost>(impl->ui, impl->timeOuts, impl->state.get(),
                                           [out = options.viewProblems](const std::string& problem) {
                                             if (out != nullptr)
                                               *out << "tavrin-host: " << problem << std::endl;
                                           });
  impl->views->SetListener(&impl->viewsChanged);
  impl->ui.SetAfterEach([views = impl->views.get()] { views->AfterUiWork(); });

  for (const VesselConfig& vessel : config.vessels) {
    VesselManager::GetVesselManager().AddVessel(vessel.number, CString(vessel.name));
  }
  DataManager& dataManager = DataManager::GetDataManager();
  for (std::size_t i = 0; i < config.devices.size(); ++i) {
    const DeviceConfig& entry = config.devices[i];
    const std::string path = "devices[" + std::to_string(i) + "]";
    std::unique_ptr<Device> device = factory(entry.type);
    if (!device) {
      error = path + ".type: no device type \"" + entry.type + "\" is registered";
      return nullptr;
    }
    device->SetDataId(entry.dataId);
    device->SetDeviceName(CString(entry.name));
    device->SetDataTimeOut(std::chrono::milliseconds(std::llround(entry.dataTimeOutSeconds * 1000.0)));
    {
      std::lock_guard lock(device->GetAttribLock());
      device->GetAttributes() = entry.attributes;
    }
    auto* sonarDevice = dynamic_cast<KavoDevice*>(device.get());
    if (sonarDevice != nullptr) sonarDevice->SetZqDeviceEnum(entry.deviceEnum);
    if (impl->state) {
      std::string report;
      if (impl->state->Load(*device, report) == StateStore::LoadOutcome::kSetAside)
        log << report << std::endl;
    }
    Device* added = device.get();
    if (!dataManager.AddDevice(std::move(device))) {
      error = path + ".dataId: data id " + std::string(entry.dataId.GetKey().Str()) + " is in use";
      return nullptr;
    }
    impl->devices.push_back(entry.dataId);

    if (entry.link) {
      auto link = std::make_unique<Impl::Link>();
      link->index = impl->links.size();
      link->device = entry.name;
      link->address = entry.link->address;
      link->sonarDevice = sonarDevice;
      link->device_ = added;
      std::vector<ZqHead> heads = entry.link->heads;
      if (entry.link->simulate) {
        SimServerConfig simulated;
        simulated.listen = "127.0.0.1:0";
        simulated.name = entry.name;
        simulated.model = entry.link->simulate->model;
        simulated.heads = entry.link->heads;
        simulated.biteIntervalSeconds = entry.link->simulate->biteIntervalSeconds;
        simulated.pingLog = impl->pingLog;
        simulated.recordFolder = entry.link->simulate->recordFolder;
        // The device's faults go to the head that answers under its device enum.
        link->simulatedHead = SimHeadAnswering(simulated, static_cast<std::uint16_t>(entry.deviceEnum));
        simulated.prepareHead = [faults = entry.link->simulate->faults, at = link->simulatedHead](
                                    std::size_t index, SimHead& head) {
          if (index == at) SwitchOnAtStart(head, faults);
        };
        auto sonar = std::make_unique<SimServer>(simulated);
        if (!sonar->Start(error)) {
          error.insert(0, path + ".simulate: ");
          return nullptr;
        }
        link->address = sonar->Address();
        link->simulated = true;
        link->simulator = sonar.get();
        // Every setting set of a simulated head answers under a device enum of its own.
        heads = sonar->AnsweredHeads();
        impl->sonars.push_back(std::move(sonar));
      }
      auto tcp = std::make_unique<ZqTcpLink>(impl->linkContext, link->address);
      link->tcp = tcp.get();
      link->activity = std::make_unique<LinkActivity>(
          *added, [raw = impl.get()](const SeenPing& ping) { raw->OnPing(ping); });
      // Every record the link passes goes to the capture file, when there is one, and is watched for pings.
      tcp->SetTap([capture = impl->capture.get(), activity = link->activity.get(),
                   index = static_cast<std::uint16_t>(link->index)](ZqTcpLink::Direction direction,
                                                                    std::span<const std::byte> record) {
        if (capture != nullptr) {
          capture->Append(direction == ZqTcpLink::Direction::kSent ? zqcapture::kSent : zqcapture::kReceived,
                          index, record);
        }
        activity->OnRecord(direction, record);
      });
      if (options.linkProblems != nullptr) {
        tcp->SetProblemReport(
            [out = options.linkProblems, prefix = entry.name + ": link to " + link->address + ": "](
                const std::string& problem) { *out << "tavrin-host: " << prefix << problem << std::endl; });
      }
      tcp->SetStateReport([raw = impl.get(), at = link.get()](ZqTcpLink::State linkState) {
        raw->OnLinkState(*at, linkState);
      });
      link->socket = std::make_unique<KavoSocketIoHandler>(std::move(tcp));
      for (const ZqHead& head : heads) link->socket->SetZqDeviceId(head.deviceEnum, head.deviceId);
      added->SetPortPtr(link->socket.get());
      if (sonarDevice != nullptr) {
        impl->memory->AddSonar(entry.dataId.GetKey().Str(), entry.restore);
        sonarDevice->SetSettingsReport([raw = impl.get(), added](const CAttributeMap& reported) {
          raw->OnSettingsReported(*added, reported);
        });
        link->socket->AttachDevice(sonarDevice);
        // The buffer status follows the link's reports and the data time-out's timer; the link is
        // down until it first connects.
        sonarDevice->RunDataTimeOut(impl->timeOuts,
                                    [](const Device& sonar) { return ShortestDataTimeOut(sonar); });
        sonarDevice->SetLinkConnected(false);
      }
      link->tcp->Start();
      log << entry.name << ": " << (link->simulated ? "simulated sonar at " : "sonar at ") << link->address
          << std::endl;
      impl->links.push_back(std::move(link));
    }

    auto subscription = std::make_unique<SubscriptionImpl>(NotificationKind::kDeviceKey);
    subscription->SetSubscriber(new Impl::DeviceChanged(*impl, entry.dataId), true);
    subscription->Subscribe(entry.dataId.GetKey());
    impl->deviceSubscriptions.push_back(std::move(subscription));
  }
  impl->systemMessages = std::make_unique<SystemMessagesFeed>(impl->ui, impl->devices);
  impl->rememberedWriter = std::make_unique<PeriodicTask>(kRememberedWriteInterval,
                                                          [memory = impl->memory.get()] { memory->Flush(); });
  impl->sonarRecords = ZqSonarRecordStore::Instance().Register(
      [raw = impl.get()](const CString& key, const CString& name, std::uint32_t type,
                         const std::string& record) { raw->OnSonarRecord(key, name, type, record); });
  return std::unique_ptr<HostRuntime>(new HostRuntime(std::move(impl)));
}

ViewHost& HostRuntime::Views() {
  return *impl_->views;
}

LRESULT HostRuntime::HandleMainWindowMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message != UiThread::kApplyAttributesMessage || wParam == 0) return 0;
  // Only the views post this message.
  impl_->ApplyRequests(*reinterpret_cast<const CDataId*>(wParam), RequestOrigin{"view", impl_->viewClient});
  return 0;
}

void HostRuntime::Impl::ApplyRequests(const CDataId& id, const RequestOrigin& fallback) {
  // The device may have left meanwhile (shutdown): then there is nothing to apply.
  Device* device = DataManager::GetDataManager().FindDevice(id);
  if (device == nullptr) return;
  std::vector<OperatorMemory::Change> changes;
  {
    // The lock is the device's own, recursive one: no request joins "Request" during the pass.
    std::lock_guard lock(device->GetAttribLock());
    CAttributeMap& attributes = device->GetAttributes();
    if (const CAttributeMap* pending = attributes.GetAttrMap(kRequestMap)) {
      for (const CAttributeMap::Entry& entry : pending->Entries()) {
        if (!entry.IsMap())
          changes.push_back({entry.key.Str(), attributes.FindValue(entry.key), entry.value, {}});
      }
    }
    device->ApplyAttribs(true);
    // What the pass took from "Request" was applied; what is left waits for a later pass.
    const CAttributeMap* left = attributes.GetAttrMap(kRequestMap);
    std::erase_if(changes, [left](const OperatorMemory::Change& change) {
      return left != nullptr && left->Has(change.key);
    });
  }
  if (changes.empty()) return;
  {
    std::lock_guard lock(originsMutex);
    for (OperatorMemory::Change& change : changes) {
      const auto noted = origins.find({id, change.key});
      if (noted == origins.end()) {
        change.origin = fallback;
      } else {
        change.origin = std::move(noted->second);
        origins.erase(noted);
      }
    }
  }
  memory->Applied(id.GetKey().Str(), changes);
}

bool HostRuntime::PostApplyAttributes(const CDataId& id) {
  if (DataManager::GetDataManager().FindDevice(id) == nullptr) return false;
  return impl_->ui.Post([impl = impl_.get(), id] { impl->ApplyRequests(id, RequestOrigin{}); });
}

std::string HostRuntime::RequestResult::Refusal() const {
  switch (outcome) {
    case Outcome::kUnknownKey:
      return "unknown request key \"" + key + "\"";
    case Outcome::kRepeatedKey:
      return "repeated request key \"" + key + "\"";
    case Outcome::kPosted:
    case Outcome::kNoDevice:
    case Outcome::kStopping:
      break;
  }
  return {};
}

HostRuntime::RequestResult HostRuntime::Request(const CDataId& id, const CAttributeMap& request,
                                                const RequestOrigin& origin) {
  return impl_->Request(id, request, origin);
}

void HostRuntime::NoteViewClient(std::string client) {
  impl_->ui.Post(
      [impl = impl_.get(), client = std::move(client)]() mutable { impl->viewClient = std::move(client); });
}

OperatorMemory& HostRuntime::Memory() {
  return *impl_->memory;
}

HostRuntime::RequestResult HostRuntime::Impl::Request(const CDataId& id, const CAttributeMap& request,
                                                      const RequestOrigin& origin) {
  using Outcome = RequestResult::Outcome;
  // The devices leave the data manager only when the host stops, after the API has.
  const Device* device = DataManager::GetDataManager().FindDevice(id);
  if (device == nullptr) return {Outcome::kNoDevice, {}};
  const std::span<const char* const> known = device->GetRequestKeys();
  const std::unordered_set<std::string_view> takes(known.begin(), known.end());
  std::unordered_set<std::string_view> seen;
  for (const CAttributeMap::Entry& entry : request.Entries()) {
    const std::string_view key = entry.key.Str();
    if (!takes.contains(key)) return {Outcome::kUnknownKey, std::string(key)};
    if (!seen.insert(key).second) return {Outcome::kRepeatedKey, std::string(key)};
  }
  {
    std::lock_guard lock(originsMutex);
    for (const CAttributeMap::Entry& entry : request.Entries()) origins[{id, entry.key.Str()}] = origin;
  }
  CAttributeMap change;
  change.Append(kRequestMap, request);
  if (!DataManager::GetDataManager().SetAttributeMap(id, change, DataManager::kMergeAttributes)) {
    return {Outcome::kNoDevice, {}};
  }
  if (!ui.Post([this, id] { ApplyRequests(id, RequestOrigin{}); })) return {Outcome::kStopping, {}};
  return {Outcome::kPosted, {}};
}

bool HostRuntime::SelectSonar(const CDataId& id) {
  if (DataManager::GetDataManager().FindDevice(id) == nullptr) return false;
  SubscriptionManager::Instance().Publish(std::make_shared<DataId_NI>(
      NotificationKind::kNamed, CString(GeneralSubKeys::ADT_SELECTED_SONAR_CHANGE), id));
  return true;
}

bool HostRuntime::SelectVessel(std::uint16_t vessel) {
  if (!VesselManager::GetVesselManager().SetActiveVessel(vessel)) return false;
  SubscriptionManager::Instance().Publish(std::make_shared<NFDataT<unsigned short>>(
      NotificationKind::kActiveVessel, CString(sel_change::ACTIVE_VESSEL), vessel));
  return true;
}

std::size_t HostRuntime::StoreSoundVelocity(double metresPerSecond, std::optional<std::uint16_t> vessel) {
  std::size_t sonars = 0;
  for (const CDataId& id : impl_->devices) {
    if (id.GetGroupId() != kSonarGroup || (vessel && id.GetVesselId() != *vessel)) continue;
    CDataId sensor = id;
    sensor.SetGroupId(kSensorGroup);
    CDataBlock block;
    block.AddF64(kSoundVelocityItem, kSoundVelocityKey2, metresPerSecond);
    DataManager::GetDataManager().StoreDataBlock(sensor, std::move(block));
    ++sonars;
  }
  return sonars;
}

std::vector<HostRuntime::DeviceInfo> HostRuntime::Devices() const {
  std::vector<DeviceInfo> result;
  for (const DeviceConfig& entry : impl_->config.devices) {
    DeviceInfo info{entry.dataId, entry.name, entry.type, entry.dataId.GetVesselId(), {}};
    for (const VesselConfig& vessel : impl_->config.vessels) {
      if (vessel.number == info.vessel) info.vesselName = vessel.name;
    }
    result.push_back(std::move(info));
  }
  return result;
}

bool HostRuntime::HasDevice(const CDataId& id) const {
  return DataManager::GetDataManager().FindDevice(id) != nullptr;
}

std::optional<CAttributeMap> HostRuntime::Attributes(const CDataId& id) const {
  CAttributeMap map;
  if (!DataManager::GetDataManager().GetAttributeMap(id, map)) return std::nullopt;
  return map;
}

std::vector<SeenPing> HostRuntime::Pings() const {
  std::lock_guard lock(impl_->pingsMutex);
  return {impl_->pings.begin(), impl_->pings.end()};
}

std::vector<HostRuntime::LinkInfo> HostRuntime::Links() const {
  std::vector<LinkInfo> result;
  for (const auto& link : impl_->links) result.push_back(link->Info());
  return result;
}

void HostRuntime::SetLogging(bool started, const std::string& client) {
  // The sonars that record with the logging start or stop recording: one change each.
  for (const CDataId& id : impl_->devices) {
    std::optional<CAttributeMap> attributes = Attributes(id);
    bool follows = false;
    unsigned flags = 0;
    if (!attributes || !attributes->GetAttribValue(kRecordWithLoggingKey, follows, flags) || !follows)
      continue;
    impl_->memory->Applied(id.GetKey().Str(), {{kRecordingKey, attributes->FindValue(kRecordingKey),
                                                COrvInt(started ? 1 : 0), RequestOrigin{"logging", client}}});
  }
  if (started) {
    HostLogging::PublishStarted();
  } else {
    HostLogging::PublishStopped();
  }
}

void HostRuntime::Watch(Watcher& watcher) {
  std::lock_guard lock(impl_->watchMutex);
  impl_->watchers.push_back(&watcher);
}

void HostRuntime::Unwatch(Watcher& watcher) {
  std::lock_guard lock(impl_->watchMutex);
  std::erase(impl_->watchers, &watcher);
}

HostRuntime::SimulatedHeadOutcome HostRuntime::WithSimulatedHead(const CDataId& id,
                                                                 const SimulatedHeadAction& action) {
  if (!HasDevice(id)) return SimulatedHeadOutcome::kNoDevice;
  for (const auto& link : impl_->links) {
    if (link->device_->GetDataId() != id) continue;
    if (link->simulator == nullptr) return SimulatedHeadOutcome::kNotSimulated;
    if (!link->simulatedHead) return SimulatedHeadOutcome::kNoHead;
    return link->simulator->WithHead(*link->simulatedHead, action) ? SimulatedHeadOutcome::kDone
                                                                   : SimulatedHeadOutcome::kStopping;
  }
  return SimulatedHeadOutcome::kNotSimulated;
}

HostRuntime::SimulatedHeadOutcome HostRuntime::PowerCycleSimulated(const CDataId& id) {
  if (!HasDevice(id)) return SimulatedHeadOutcome::kNoDevice;
  for (const auto& link : impl_->links) {
    if (link->device_->GetDataId() != id) continue;
    if (link->simulator == nullptr) return SimulatedHeadOutcome::kNotSimulated;
    link->simulator->PowerCycle();
    return SimulatedHeadOutcome::kDone;
  }
  return SimulatedHeadOutcome::kNotSimulated;
}
