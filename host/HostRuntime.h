// A running host: the devices of its configuration in the data manager, each sonar device on a TCP
// link to its processing unit (or to a simulated sonar started here), the UI thread that applies
// requests, and the state folder that keeps every device's attributes across restarts. The one door
// to all of it for the API: what it reads, what it changes and the changes it follows.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/HostConfig.h"
#include "host/LinkActivity.h"
#include "host/RequestOrigin.h"
#include "link/ZqTcpLink.h"
#include "platform/afx/WindowsTypes.h"
#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/CDataId.h"
#include "platform/zq/ZqMessageRecords.h"

class Device;
class OperatorMemory;
class SimHead;
class ViewHost;

struct HostRuntimeOptions {
  std::filesystem::path stateFolder;  // empty: nothing is stored
  std::string capturePath;            // empty: no capture file
  std::string pingLogPath;            // empty: simulated sonars keep no ping log
  // Where a link says why it cannot connect (once per new reason), on the links' I/O thread; null:
  // only /api/links shows it.
  std::ostream* linkProblems = nullptr;
  // Where problems with the stored views are told (a view that cannot be opened again, a list that
  // cannot be written); null: nowhere.
  std::ostream* viewProblems = nullptr;
};

class HostRuntime {
 public:
  // Makes a device of a registered type; null for a type nobody registered.
  using DeviceFactory = std::function<std::unique_ptr<Device>(const std::string& type)>;

  struct DeviceInfo {
    CDataId id;
    std::string name;
    std::string type;
    std::uint16_t vessel = 0;
    std::string vesselName;
  };
  struct LinkInfo {
    std::size_t index = 0;  // order of the links in the configuration
    CDataId key;            // the device whose sonar it reaches
    std::string device;     // and its name
    std::string address;
    bool simulated = false;
    ZqTcpLink::Counters counters;
    // The buffer status of the device's data (BufferStatus in tavrin/BaseDataSource.h); nothing
    // before the first was set.
    std::optional<unsigned short> bufferStatus;
    // Seconds since the link's last settings record; nothing before the first.
    std::optional<double> sinceSettings;
  };
  // How long the sequenced pings seen on the links are kept.
  static constexpr std::chrono::seconds kPingsKept{60};

  // Starts simulated sonars, creates the devices (stored attributes over configured ones) and
  // connects their links. Null, with a message naming the entry at fault, when something cannot be
  // set up. Progress and damaged state files are reported on log.
  static std::unique_ptr<HostRuntime> Start(const HostConfig& config, const HostRuntimeOptions& options,
                                            const DeviceFactory& factory, std::ostream& log,
                                            std::string& error);
  HostRuntime(const HostRuntime&) = delete;
  HostRuntime& operator=(const HostRuntime&) = delete;
  // Stops: the UI thread, the links, the simulated sonars; every attribute map is stored and the
  // devices leave the data manager.
  ~HostRuntime();

  // Message 0x8029 for a device: the UI thread has the device apply its attributes. False when no
  // device has that id.
  bool PostApplyAttributes(const CDataId& id);
  // What became of a request. Only a request whose every key the device takes is stored: a key that
  // no request operation of the device takes would wait in its "Request" map for ever, and a repeated
  // one beside the first as well.
  struct RequestResult {
    enum class Outcome {
      kPosted,       // merged into "Request", the apply posted
      kNoDevice,     // no device has that id
      kUnknownKey,   // key is no key the device takes; nothing was stored
      kRepeatedKey,  // key appears twice in the request; nothing was stored
      kStopping,     // merged, but the host stops before it could be applied
    };
    Outcome outcome = Outcome::kPosted;
    std::string key;  // the first key refused

    explicit operator bool() const { return outcome == Outcome::kPosted; }
    // For the operator, e.g. `unknown request key "ZqRnage"`: empty unless a key was refused.
    std::string Refusal() const;
  };
  // Merges request into the device's "Request" child map and posts the apply, once every key of it is
  // one the device takes (Device::GetRequestKeys), each once. The change history names origin as the
  // source of each key applied.
  RequestResult Request(const CDataId& id, const CAttributeMap& request, const RequestOrigin& origin = {});
  // The API client whose actions on views come next on the UI thread: the requests those views make
  // are its changes in the history. Ordered with Views().Act called after it on the same thread.
  void NoteViewClient(std::string client);

  // The operator selects a sonar: views that follow the selection bind to it. False when no device
  // has that id.
  bool SelectSonar(const CDataId& id);
  // The operator makes a vessel active. False when the configuration has no vessel of that number.
  bool SelectVessel(std::uint16_t vessel);
  // A sound-velocity sensor reading in m/s for the sonar devices of a vessel (of every vessel without
  // one): stored as item 801 in the sensor data of each sonar's identifier in group 40, whose
  // subscribers are notified. Returns how many sonars it went to.
  std::size_t StoreSoundVelocity(double metresPerSecond, std::optional<std::uint16_t> vessel);

  // The operator's host starts or stops its own logging: devices that record with it hear so, and the
  // recording of each sonar that follows the logging is a change in the history, from client.
  void SetLogging(bool started, const std::string& client = {});

  // The history of changes, the profiles and the restore after a power loss.
  OperatorMemory& Memory();

  // Runs `action` on the simulated sonar's thread with the head of the device's in-process simulated
  // sonar that answers under the device's device enum, and waits for it; the records it appends to its
  // second argument go to the connected host.
  enum class SimulatedHeadOutcome { kDone, kNoDevice, kNotSimulated, kNoHead, kStopping };
  using SimulatedHeadAction = std::function<void(SimHead& head, std::vector<std::string>& out)>;
  SimulatedHeadOutcome WithSimulatedHead(const CDataId& id, const SimulatedHeadAction& action);
  // The device's in-process simulated sonar loses power and starts again at its factory settings,
  // its connection dropped (SimServer::PowerCycle).
  SimulatedHeadOutcome PowerCycleSimulated(const CDataId& id);

  // The views open on the UI thread, shown and driven over the API.
  ViewHost& Views();
  // Messages posted to the host's main window, handled on the UI thread: 0x8029 applies the
  // requests of the device whose CDataId the wParam points to.
  LRESULT HandleMainWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);

  std::vector<DeviceInfo> Devices() const;
  bool HasDevice(const CDataId& id) const;
  // A copy of the device's attribute map; nothing when no device has that id.
  std::optional<CAttributeMap> Attributes(const CDataId& id) const;
  std::vector<LinkInfo> Links() const;
  // The sequenced pings seen on the links in the last kPingsKept, oldest first.
  std::vector<SeenPing> Pings() const;

  struct SonarEvent {
    std::string key;    // the sonar device's key
    std::string sonar;  // its name
    ZqEvent event;
  };
  // Follows what changes in the host, for the event stream. Each call comes on the thread where the
  // change happened and must not block: it holds up that thread.
  class Watcher {
   public:
    virtual ~Watcher() = default;
    // A device's attributes changed (the notification thread).
    virtual void AttributesChanged(const CDataId& id) = 0;
    // A sonar link connected or was lost, as the link reported it (the links' I/O thread); the
    // device's buffer status already follows it.
    virtual void LinkChanged(const LinkInfo& link) = 0;
    // A sonar sent an event record (the links' I/O thread).
    virtual void SonarEventArrived(const SonarEvent& event) = 0;
    // A sequenced ping was seen on a link: its trigger went out and its settings record came back
    // (the links' I/O thread).
    virtual void PingSeen(const SeenPing& /*ping*/) {}
    // A view's tree changed, or it opened or closed (the UI thread or the views' timer thread).
    virtual void ViewChanged(int /*id*/, std::uint64_t /*version*/, bool /*closed*/) {}
    // The operator asked for help on a view (the UI thread).
    virtual void HelpAsked(int /*id*/, const std::string& /*topic*/) {}
    // A change history entry was added or confirmed: its JSON text (the thread of the change).
    virtual void HistoryRecorded(const std::string& /*entry*/) {}
    // A sonar's restore offer came, changed or went (the thread of the change).
    virtual void RestoreChanged(const std::string& /*device*/) {}
  };
  // watcher hears every change from now until Unwatch(watcher) returns.
  void Watch(Watcher& watcher);
  void Unwatch(Watcher& watcher);

  struct Impl;

 private:
  explicit HostRuntime(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};
