// Fault switches of a simulated head as a value: the boards in error with their status flags, the BITE
// fields out of limits, silence and events. What zq-sonar-sim's command line and the host's
// configuration switch on at start, and what the host's API changes while the sonar runs.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimRecords.h"

class SimHead;
struct SimModel;

// The longest event text a command line, configuration or API call may give, in bytes.
inline constexpr std::size_t kLongestFaultEventText = 1000;

struct SimFaults {
  // Board (hardware table name) to its BITE status flags: bit 0 uplink, bit 1 downlink, bit 2 BITE
  // error; 0 clears. Boards not named keep their state.
  std::map<std::string, unsigned> boards;
  // Measured fields as "BOARD/FIELD"; when given, the set of fields out of limits becomes this one.
  std::optional<std::vector<std::string>> fieldsOutOfLimits;
  std::optional<bool> silent;
  // Events by type and text (the head numbers them); when they are sent is up to whoever gives them.
  std::vector<SimEvent> events;
  // The processing unit loses power and starts again at its factory settings (a change only).
  bool powerCycle = false;
};

// What is wrong with faults given: the entry at fault, as a configuration or API body names it
// ("boards.TX9", "fieldsOutOfLimits[1]"), and the problem.
struct SimFaultProblem {
  std::string entry;
  std::string problem;
};
// The first name that the model has no board or measured field for.
std::optional<SimFaultProblem> FindUnknownFaultName(const SimModel& model, const SimFaults& faults);

// Switches the boards, fields and silence of `faults` on `head`, whose model knows every name of them
// (FindUnknownFaultName found none). Silence comes first: the switches' events go to `out` unless the
// head is silent afterwards. The events of `faults` are left to the caller.
void ApplyFaultSwitches(SimHead& head, const SimFaults& faults, std::vector<std::string>& out);
// The faults a head starts with, before any host connected: the switches, and the events as greeting
// events that every host gets when it connects.
void SwitchOnAtStart(SimHead& head, const SimFaults& faults);
// The switches of `head` as they are: only the boards in error, the fields out of limits, silence.
SimFaults CurrentFaults(const SimHead& head);

// An event as a command line gives it, "TYPE=TEXT" with TYPE 0 to 65535 and a text of at most
// kLongestFaultEventText bytes. Nothing, with the problem, otherwise.
std::optional<SimEvent> ParseEventOption(std::string_view option, std::string& problem);
