// Setting up and taking down a running host.
#include "host/HostRuntime.h"

#include <cmath>
#include <ostream>
#include <span>
#include <string_view>
#include <unordered_set>

#include "host/BufferStatusWatch.h"
#include "host/StateStore.h"
#include "host/UiThread.h"
#include "link/ZqCaptureFile.h"
#include "link/ZqLinkContext.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/tavrin/VesselManager.h"
#include "platform/zq/KavoDevice.h"
#include "platform/zq/KavoSocketIoHandler.h"
#include "sim/PingLog.h"
#include "sim/SimModel.h"
#include "sim/SimServer.h"

namespace {

constexpr std::uint16_t kSonarGroup = 78;
constexpr std::uint16_t kSensorGroup = 40;
constexpr unsigned short kSoundVelocityItem = 801;
constexpr unsigned short kSoundVelocityKey2 = 1;

// Has the state folder store a device's map after each change of it.
class StoreOnChange : public Subscriber {
 public:
  StoreOnChange(StateStore& store, CDataId id) : store_(store), id_(id) {}
  void Notify(const NotificationInfo* /*info*/) override { store_.MarkChanged(id_); }

 private:
  StateStore& store_;
  CDataId id_;
};

}  // namespace

struct HostRuntime::Impl {
  struct Link {
    std::string device;
    std::string address;
    bool simulated = false;
    KavoDevice* sonarDevice = nullptr;  // attached to the socket; null for a device of another kind
    Device* device_ = nullptr;
    ZqTcpLink* tcp = nullptr;
    std::unique_ptr<KavoSocketIoHandler> socket;
  };

  ~Impl() { Stop(); }
  void Stop();

  HostConfig config;
  std::unique_ptr<ZqCaptureFile> capture;  // outlives the links that write to it
  std::unique_ptr<StateStore> state;
  std::shared_ptr<PingLog> pingLog;
  std::vector<std::unique_ptr<SimServer>> sonars;
  ZqLinkContext linkContext;  // outlives the links
  std::vector<Link> links;
  std::vector<CDataId> devices;
  std::vector<std::unique_ptr<SubscriptionImpl>> stateSubscriptions;
  std::unique_ptr<BufferStatusWatch> bufferWatch;  // asks the links, so it stops before them
  UiThread ui;
  bool stopped = false;
};

void HostRuntime::Impl::Stop() {
  if (stopped) return;
  stopped = true;
  stateSubscriptions.clear();
  bufferWatch.reset();
  ui.Stop();
  for (Link& link : links) {
    if (link.sonarDevice != nullptr) link.socket->DetachDevice(link.sonarDevice);
    link.device_->SetPortPtr(nullptr);
    link.socket.reset();  // stops the link: no record arrives afterwards
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
      Impl::Link link;
      link.device = entry.name;
      link.address = entry.link->address;
      link.sonarDevice = sonarDevice;
      link.device_ = added;
      if (entry.link->simulate) {
        SimServerConfig simulated;
        simulated.listen = "127.0.0.1:0";
        simulated.name = entry.name;
        simulated.model = entry.link->simulate->model;
        simulated.heads = entry.link->heads;
        simulated.biteIntervalSeconds = entry.link->simulate->biteIntervalSeconds;
        simulated.pingLog = impl->pingLog;
        auto sonar = std::make_unique<SimServer>(simulated);
        if (!sonar->Start(error)) {
          error.insert(0, path + ".simulate: ");
          return nullptr;
        }
        link.address = sonar->Address();
        link.simulated = true;
        impl->sonars.push_back(std::move(sonar));
      }
      auto tcp = std::make_unique<ZqTcpLink>(impl->linkContext, link.address);
      link.tcp = tcp.get();
      if (impl->capture) AttachCapture(*tcp, *impl->capture, static_cast<std::uint16_t>(impl->links.size()));
      if (options.linkProblems != nullptr) {
        tcp->SetProblemReport([out = options.linkProblems, prefix = entry.name + ": link to " + link.address +
                                                                    ": "](const std::string& problem) {
          *out << "tavrin-host: " << prefix << problem << std::endl;
        });
      }
      link.socket = std::make_unique<KavoSocketIoHandler>(std::move(tcp));
      for (const ZqHead& head : entry.link->heads) link.socket->SetZqDeviceId(head.deviceEnum, head.deviceId);
      if (entry.link->simulate) {
        // Every setting set of a simulated head answers under a device enum of its own.
        const std::size_t sets = SimModel::ByName(entry.link->simulate->model)->settingSets.size();
        for (const ZqHead& head : entry.link->heads) {
          for (std::size_t set = 1; set < sets; ++set) {
            link.socket->SetZqDeviceId(static_cast<std::uint16_t>(head.deviceEnum + set), head.deviceId);
          }
        }
      }
      added->SetPortPtr(link.socket.get());
      if (sonarDevice != nullptr) link.socket->AttachDevice(sonarDevice);
      link.tcp->Start();
      log << entry.name << ": " << (link.simulated ? "simulated sonar at " : "sonar at ") << link.address
          << std::endl;
      impl->links.push_back(std::move(link));
    }

    if (impl->state) {
      auto subscription = std::make_unique<SubscriptionImpl>(NotificationKind::kDeviceKey);
      subscription->SetSubscriber(new StoreOnChange(*impl->state, entry.dataId), true);
      subscription->Subscribe(entry.dataId.GetKey());
      impl->stateSubscriptions.push_back(std::move(subscription));
    }
  }
  // The buffer status of every sonar device follows its link and its data.
  std::vector<BufferStatusWatch::Watched> watched;
  for (const Impl::Link& link : impl->links) {
    if (link.sonarDevice == nullptr) continue;
    watched.push_back({link.sonarDevice, [tcp = link.tcp] {
                         return tcp->GetCounters().state == ZqTcpLink::State::kConnected;
                       }});
  }
  impl->bufferWatch = std::make_unique<BufferStatusWatch>(std::move(watched));
  return std::unique_ptr<HostRuntime>(new HostRuntime(std::move(impl)));
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

std::vector<HostRuntime::LinkInfo> HostRuntime::Links() const {
  std::vector<LinkInfo> result;
  for (std::size_t i = 0; i < impl_->links.size(); ++i) {
    const Impl::Link& link = impl_->links[i];
    LinkInfo info{i, link.device, link.address, link.simulated, link.tcp->GetCounters(), std::nullopt};
    double time = 0.0;
    unsigned short status = 0;
    if (link.device_->GetDataSource().GetBufferStatus(time, status)) info.bufferStatus = status;
    result.push_back(std::move(info));
  }
  return result;
}
