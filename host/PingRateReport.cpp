// Sampling the sonars' ping numbers, turning two samples into the report's lines, and the thread that
// prints them.
#include "host/PingRateReport.h"

#include <algorithm>
#include <iomanip>
#include <map>
#include <ostream>
#include <sstream>

#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"

namespace {

constexpr std::uint16_t kSonarDataGroup = 78;
// Longer periods are taken as a day, so that the wait cannot overflow the clock's duration.
constexpr std::chrono::duration<double> kLongestPeriod = std::chrono::hours(24);

// "Shallow sonar 2.9 pings/s", or the name and why there is no rate yet.
void PutRate(std::ostream& line, const PingCountSample& now, const std::vector<PingCountSample>& before,
             double seconds) {
  line << now.name;
  const auto earlier = std::find_if(before.begin(), before.end(),
                                    [&](const PingCountSample& sample) { return sample.id == now.id; });
  const std::optional<double> rate =
      PingsPerSecond(earlier == before.end() ? std::nullopt : earlier->pings, now.pings, seconds);
  if (rate) {
    line << ' ' << std::fixed << std::setprecision(1) << *rate << " pings/s";
  } else {
    line << " (no pings counted yet)";
  }
}

}  // namespace

PingCountSample SamplePingCount(const CDataId& id, const std::string& name, const CAttributeMap& attributes) {
  PingCountSample sample{id, name, false, 0, std::nullopt};
  unsigned flags = 0;
  int pingMode = 0;
  sample.sequenced = attributes.GetAttribValue("PingMode", pingMode, flags) && pingMode != 0;
  if (!attributes.GetAttribValue("SonarGroupId", sample.group, flags)) sample.group = 0;
  std::int64_t pings = 0;
  if (attributes.FindValue("ZqPingNumber").GetValue(pings)) sample.pings = pings;
  return sample;
}

std::optional<double> PingsPerSecond(std::optional<std::int64_t> before, std::optional<std::int64_t> now,
                                     double seconds) {
  if (!before || !now || !(seconds > 0.0)) return std::nullopt;
  const std::int64_t pings = *now >= *before ? *now - *before : *now;
  return static_cast<double>(pings) / seconds;
}

std::string PingRateLines(const std::vector<PingCountSample>& before, const std::vector<PingCountSample>& now,
                          double seconds) {
  std::map<int, std::vector<const PingCountSample*>> groups;
  std::vector<const PingCountSample*> freeRunning;
  for (const PingCountSample& sample : now) {
    if (sample.sequenced) {
      groups[sample.group].push_back(&sample);
    } else {
      freeRunning.push_back(&sample);
    }
  }
  std::ostringstream text;
  const auto putLine = [&](const std::string& label, const std::vector<const PingCountSample*>& sonars) {
    text << "tavrin-host: " << label << ": ";
    for (std::size_t i = 0; i < sonars.size(); ++i) {
      if (i != 0) text << ", ";
      PutRate(text, *sonars[i], before, seconds);
    }
    text << '\n';
  };
  for (const auto& [group, sonars] : groups) putLine("group " + std::to_string(group), sonars);
  if (!freeRunning.empty()) putLine("free-running", freeRunning);
  return text.str();
}

PingRateReport::PingRateReport(const std::vector<CDataId>& devices, std::ostream& out,
                               std::chrono::duration<double> period)
    : out_(out) {
  // Not above zero, or not a number: no report.
  if (!(period.count() > 0.0)) return;
  DataManager& manager = DataManager::GetDataManager();
  for (const CDataId& id : devices) {
    if (id.GetGroupId() != kSonarDataGroup) continue;
    const Device* device = manager.FindDevice(id);
    if (device == nullptr) continue;
    // Names are given when devices are created and never change afterwards.
    const std::string& name = device->GetDeviceName().Str();
    sonars_.push_back({id, name.empty() ? id.GetKey().Str() : name});
  }
  if (sonars_.empty()) return;
  before_ = Sample();
  beforeTime_ = std::chrono::steady_clock::now();
  task_ = std::make_unique<PeriodicTask>(
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::min(period, kLongestPeriod)),
      [this] { Report(); });
}

PingRateReport::~PingRateReport() {
  Stop();
}

void PingRateReport::Stop() {
  if (task_) task_->Stop();
}

std::vector<PingCountSample> PingRateReport::Sample() const {
  std::vector<PingCountSample> samples;
  DataManager& manager = DataManager::GetDataManager();
  CAttributeMap attributes;
  for (const Sonar& sonar : sonars_) {
    // A device taken out of the manager meanwhile drops out of the report.
    if (!manager.GetAttributeMap(sonar.id, attributes)) continue;
    samples.push_back(SamplePingCount(sonar.id, sonar.name, attributes));
  }
  return samples;
}

void PingRateReport::Report() {
  std::vector<PingCountSample> now = Sample();
  const auto nowTime = std::chrono::steady_clock::now();
  const std::string lines =
      PingRateLines(before_, now, std::chrono::duration<double>(nowTime - beforeTime_).count());
  // One write for the whole report, so that it stays together.
  out_ << lines << std::flush;
  before_ = std::move(now);
  beforeTime_ = nowTime;
}
