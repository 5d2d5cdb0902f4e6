// The host's report of how fast its sonars ping: every period it prints one line per sonar group with
// the pings per second of each of the group's sonars since the previous report, and one line for the
// free-running sonars, so that an operator sees the sequencer share the ping time out. The pings are
// counted from the ping number each sonar reports in its settings records.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/PeriodicTask.h"
#include "platform/tavrin/CDataId.h"

class CAttributeMap;

// What the report needs of one sonar device at one moment.
struct PingCountSample {
  CDataId id;
  std::string name;
  bool sequenced = false;             // "PingMode" non-zero: its group's sequencer triggers it
  int group = 0;                      // "SonarGroupId"; 0 when missing
  std::optional<std::int64_t> pings;  // "ZqPingNumber", once the sonar has reported it
};

// The sample of a device from a copy of its attribute map.
PingCountSample SamplePingCount(const CDataId& id, const std::string& name, const CAttributeMap& attributes);

// The pings per second between two ping numbers `seconds` apart. A number that went back is a sonar
// that started counting again: its pings are the new number. Nothing while either number is unknown
// or no time passed.
std::optional<double> PingsPerSecond(std::optional<std::int64_t> before, std::optional<std::int64_t> now,
                                     double seconds);

// The report's lines for the samples of now against those taken `seconds` before (matched by data
// identifier; a device without an earlier sample has no rate yet). Sequenced sonars are grouped by
// sonar group, groups in ascending order, each sonar in the order of `now`; the free-running sonars
// follow on a line of their own. Each line ends with a newline; nothing without sonars.
std::string PingRateLines(const std::vector<PingCountSample>& before, const std::vector<PingCountSample>& now,
                          double seconds);

class PingRateReport {
 public:
  // Reports on the sonar devices (data group 78) among `devices`, by their names in the data manager,
  // to `out` every `period`, on a thread of its own. A period that is not above zero reports nothing.
  // `out` is written only from that thread while the report runs.
  PingRateReport(const std::vector<CDataId>& devices, std::ostream& out,
                 std::chrono::duration<double> period);
  PingRateReport(const PingRateReport&) = delete;
  PingRateReport& operator=(const PingRateReport&) = delete;
  ~PingRateReport();

  // Ends and joins the thread at once, within one report being printed.
  void Stop();

 private:
  struct Sonar {
    CDataId id;
    std::string name;
  };

  // Prints the rates since the last sample.
  void Report();
  std::vector<PingCountSample> Sample() const;

  std::vector<Sonar> sonars_;
  std::ostream& out_;
  // The last sample; only the task's thread touches it once the task runs.
  std::vector<PingCountSample> before_;
  std::chrono::steady_clock::time_point beforeTime_;
  std::unique_ptr<PeriodicTask> task_;  // declared last: stopped before what it reads goes
};
