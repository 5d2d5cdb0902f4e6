// The TCP link to one sonar processing unit. It connects, reconnects with back-off after a loss,
// writes the records handed to it with their checksum, and cuts what the sonar sends into checked
// records for its receiver. Records handed to it while it is not connected are dropped and counted.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/zq/ZqRecordTransport.h"

class ZqLinkContext;

class ZqTcpLink : public ZqRecordTransport {
 public:
  enum class State { kIdle, kConnecting, kConnected, kStopped };

  struct Counters {
    State state = State::kIdle;
    std::uint64_t recordsSent = 0;
    std::uint64_t bytesSent = 0;
    std::uint64_t recordsReceived = 0;
    std::uint64_t bytesReceived = 0;  // every byte read from the connection
    std::uint64_t droppedWhileDown = 0;
    std::uint64_t badSize = 0;
    std::uint64_t badChecksum = 0;
    std::uint64_t bytesDiscarded = 0;
    std::uint64_t connects = 0;
    std::uint64_t disconnects = 0;
    // Why the last attempt to connect failed (the sonar's host name does not resolve, the connection
    // is refused); empty once connected.
    std::string problem;
  };

  static constexpr std::chrono::milliseconds kFirstRetryDelay{100};
  static constexpr std::chrono::milliseconds kLongestRetryDelay{5000};
  // Bytes that may wait for the network before further records are dropped.
  static constexpr std::size_t kSendQueueLimit = 4u * 1024u * 1024u;

  // address: "host:port" of the processing unit. The link does nothing until Start.
  ZqTcpLink(ZqLinkContext& context, std::string address);
  ZqTcpLink(const ZqTcpLink&) = delete;
  ZqTcpLink& operator=(const ZqTcpLink&) = delete;
  ~ZqTcpLink() override;

  // Splits "host:port". False, with a message naming the problem in error, when it is not one.
  static bool ParseAddress(const std::string& address, std::string& host, std::string& port,
                           std::string& error);

  // Sees every record the link hands to the network (with its checksum) and every valid record it
  // receives, on the I/O thread: for a capture file. Set before Start.
  enum class Direction { kSent = 0, kReceived = 1 };
  using Tap = std::function<void(Direction direction, std::span<const std::byte> record)>;
  void SetTap(Tap tap);
  // Hears, on the I/O thread, each new reason why connecting fails (not every retry of the same one):
  // for the operator's log. Set before Start.
  using ProblemReport = std::function<void(const std::string& problem)>;
  void SetProblemReport(ProblemReport report);
  // Hears, on the I/O thread, each connection (kConnected, before any record of it) and each loss
  // (kConnecting: the link tries again) as it happens, with the counters already showing it: so that
  // whoever follows the sonar's data learns at once. Stopping is no loss and is not reported. Set
  // before Start.
  using StateReport = std::function<void(State state)>;
  void SetStateReport(StateReport report);

  void SetReceiver(Receiver receiver) override;
  void Start();
  // Closes the connection and ends every pending operation; records are neither sent nor received
  // afterwards. Called by the destructor; must not be called on the I/O thread from a receiver.
  void Stop() override;

  // Queues the record with its checksum written. False (counted as dropped) while not connected or
  // when the send queue is full.
  bool Send(const CString& record) override;

  Counters GetCounters() const;
  const std::string& GetAddress() const { return address_; }

  struct Impl;

 private:
  std::string address_;
  std::shared_ptr<Impl> impl_;
};
