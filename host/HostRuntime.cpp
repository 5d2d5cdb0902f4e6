// Setting up and taking down a running host.
#include "host/HostRuntime.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <mutex>
#include <ostream>
#include <span>
#include <string_view>
#include <unordered_set>

#include "host/DataTimeOutFloor.h"
#include "host/LinkActivity.h"
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
  std::unique_ptr<ViewHost> views;    // runs on ui, stores in state
  std::unique_ptr<SystemMessagesFeed> systemMessages;  // hands sonar records to the views on ui
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

void HostRuntime::Impl::Stop() {
  if (stopped) return;
  stopped = true;
  // No time-out is judged once the host stops, and what its links report is no longer heard.
  stopping = true;
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
  const auto* id = reinterpret_cast<const CDataId*>(wParam);
  if (Device* device = DataManager::GetDataManager().FindDevice(*id)) device->ApplyAttribs(true);
  return 0;
}

bool HostRuntime::PostApplyAttributes(const CDataId& id) {
  if (DataManager::GetDataManager().FindDevice(id) == nullptr) return false;
  return impl_->ui.Post([id] {
    // The device may have left meanwhile (shutdown): then there is nothing to apply.
    if (Device* device = DataManager::GetDataManager().FindDevice(id)) device->ApplyAttribs(true);
  });
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

HostRuntime::RequestResult HostRuntime::Request(const CDataId& id, const CAttributeMap& request) {
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
  CAttributeMap change;
  change.Append("Request", request);
  if (!DataManager::GetDataManager().SetAttributeMap(id, change, DataManager::kMergeAttributes)) {
    return {Outcome::kNoDevice, {}};
  }
  if (!PostApplyAttributes(id)) return {Outcome::kStopping, {}};
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

void HostRuntime::SetLogging(bool started) {
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
