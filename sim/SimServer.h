// A simulated processing unit on the network: listens on one TCP port, reads the records the host
// sends, lets its heads apply them, pings each head on its own schedule, and sends every record the
// heads produce to every connected host. Runs on a thread of its own, so that several can live in one
// process (the host's embedded default) or one in zq-sonar-sim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/zq/ZqHead.h"

class SimHead;
class PingLog;

struct SimServerConfig {
  std::string listen = "127.0.0.1:0";  // ADDRESS:PORT; port 0 takes any free port
  std::string name = "sim";            // the sonar's name in the ping log
  std::string model = "shallow";
  std::vector<ZqHead> heads{kDefaultZqHead};
  // The folder the heads record into, made when missing; empty: a new folder of the server's own under
  // the system's temporary folder, removed when the server stops with nothing recorded in it.
  std::string recordFolder{};
  double biteIntervalSeconds = 5.0;  // 0: no BITE results unless asked
  std::shared_ptr<PingLog> pingLog;  // null: no ping log
  // Runs on each head (`index` in the order of `heads`) once it is built, before any host can connect
  // and before it pings: faults and events switched on from the start. Null: none.
  std::function<void(std::size_t index, SimHead& head)> prepareHead{};
};

// The index of the configured head one of whose setting sets answers under `deviceEnum`; nothing
// when none does or the model does not exist.
std::optional<std::size_t> SimHeadAnswering(const SimServerConfig& config, std::uint16_t deviceEnum);

class SimServer {
 public:
  explicit SimServer(SimServerConfig config);
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;
  ~SimServer();

  // Builds the heads, binds and starts serving. False, with a message naming the problem, when the
  // model is unknown or the address cannot be listened on.
  bool Start(std::string& error);
  // Stops the heads' recordings (their files closed), closes every connection and the listening socket,
  // and joins the thread.
  void Stop();

  // The address actually listened on, "ADDRESS:PORT", once started.
  std::string Address() const;
  unsigned short Port() const;
  // The folder the heads record into: as configured, or once started the one the server made.
  std::string RecordFolder() const;
  // The device enums and identifiers the sonar answers under: each head as configured, then, head by
  // head, every further setting set of its model under a device enum of its own (the head's plus the
  // set's place). Empty for a model that does not exist.
  std::vector<ZqHead> AnsweredHeads() const;

  // Runs fn with head `index` on the server's thread and waits for it: fault switches, and looking at
  // a head's state in tests. What fn appends to its second argument is sent to every connected host,
  // and pinging is rescheduled afterwards. False when there is no such head.
  using HeadAction = std::function<void(SimHead& head, std::vector<std::string>& out)>;
  bool WithHead(std::size_t index, const HeadAction& fn);
  // Closes the connections open now (a dropped connection); new ones are accepted.
  void DropConnections();
  // The processing unit loses power and starts again: the connections close, and every head is back
  // at its factory settings (SimHead::PowerCycle) and pings from ping 1. Hosts that connect again are
  // greeted as on any new connection.
  void PowerCycle();

  // The network cable is pulled: every connection closes and the port is no longer listened on, so
  // that a host's connection attempts are refused. The processing unit goes on running: its heads
  // keep every setting, their ping mode and ping counter; a free-running head goes on pinging (its
  // records and ping log lines are produced but reach no host), a head waiting for triggers gets none.
  // Nothing when unplugged already, not started or stopped. Waits for the server's thread, so not to
  // be called from a WithHead action.
  void Unplug();
  // The cable is plugged in again: listens on the same address and port as before, and a host that
  // connects is greeted as on any new connection (configuration, then settings). True when listening
  // (also when it was never unplugged); false, with a message, when the port cannot be listened on
  // again (another program took it meanwhile; the sonar stays unplugged) or the sonar is not running.
  bool PlugIn(std::string& error);

  // The records received from hosts, oldest first (the most recent 4096).
  std::vector<std::string> ReceivedRecords() const;
  std::size_t ConnectionCount() const;

  struct Impl;

 private:
  std::shared_ptr<Impl> impl_;
};
