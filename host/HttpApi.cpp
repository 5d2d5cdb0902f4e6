// Routes of the JSON API, the security rules, and the event stream fed by what the host reports.
#include "host/HttpApi.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <variant>

#include "host/EventHub.h"
#include "host/FrontEndFiles.h"
#include "host/HostRuntime.h"
#include "host/HttpServer.h"
#include "host/OperatorMemory.h"
#include "host/PrintableName.h"
#include "host/SimFaultsJson.h"
#include "host/ViewActionsJson.h"
#include "host/ViewHost.h"
#include "link/ZqTcpLink.h"
#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/HostViews.h"
#include "platform/tavrin/JsonDocument.h"
#include "platform/tavrin/SonarText.h"
#include "sim/SimHead.h"

namespace {

using Json = nlohmann::ordered_json;

// Texts from outside that reach an answer (a path, a parser's complaint) may carry bytes that are not
// UTF-8: they are written as U+FFFD instead of failing the answer.
std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

HttpReply ReplyJson(int status, const Json& body) {
  return HttpReply{status, "application/json", Dump(body)};
}

HttpReply ReplyError(int status, const std::string& message) {
  return ReplyJson(status, Json{{"error", message}});
}

// "a.b.c.d" with four numbers 0 to 65535.
std::optional<CDataId> ParseKey(const std::string& key) {
  std::uint16_t part[4] = {};
  const char* at = key.data();
  const char* end = key.data() + key.size();
  for (int i = 0; i < 4; ++i) {
    const auto [next, problem] = std::from_chars(at, end, part[i]);
    if (problem != std::errc() || next == at) return std::nullopt;
    at = next;
    if (i < 3) {
      if (at == end || *at != '.') return std::nullopt;
      ++at;
    }
  }
  if (at != end) return std::nullopt;
  return CDataId(part[0], part[1], part[2], part[3]);
}

// The body of a call as a JSON object; null when it is not one.
std::optional<Json> ParseObject(const HttpRequest& request) {
  Json body = Json::parse(request.body, nullptr, false);
  if (body.is_discarded() || !body.is_object()) return std::nullopt;
  return body;
}

HttpReply ExpectedBody(const char* expected) {
  return ReplyError(400, std::string("body: expected ") + expected);
}

// A member that must be an integer from 0 to 65535.
std::optional<std::uint16_t> ReadU16(const Json& value) {
  if (!value.is_number_integer()) return std::nullopt;
  const auto number = value.get<std::int64_t>();
  if (number < 0 || number > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(number);
}

// Sound velocities a sensor in water can report, in m/s.
constexpr double kLowestSoundVelocity = 1000.0;
constexpr double kHighestSoundVelocity = 2000.0;

bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

const char* StateName(ZqTcpLink::State state) {
  switch (state) {
    case ZqTcpLink::State::kIdle:
      return "idle";
    case ZqTcpLink::State::kConnecting:
      return "connecting";
    case ZqTcpLink::State::kConnected:
      return "connected";
    case ZqTcpLink::State::kStopped:
      return "stopped";
  }
  return "unknown";
}

Json LinkJson(const HostRuntime::LinkInfo& link) {
  const ZqTcpLink::Counters& c = link.counters;
  return Json{{"index", link.index},
              {"device", link.device},
              {"address", link.address},
              {"simulated", link.simulated},
              {"state", StateName(c.state)},
              {"bufferStatus", link.bufferStatus ? Json(*link.bufferStatus) : Json()},
              {"recordsSent", c.recordsSent},
              {"bytesSent", c.bytesSent},
              {"recordsReceived", c.recordsReceived},
              {"bytesReceived", c.bytesReceived},
              {"droppedWhileDown", c.droppedWhileDown},
              {"badSize", c.badSize},
              {"badChecksum", c.badChecksum},
              {"bytesDiscarded", c.bytesDiscarded},
              {"connects", c.connects},
              {"disconnects", c.disconnects},
              {"problem", c.problem.empty() ? Json() : Json(c.problem)},
              {"sinceSettings", link.sinceSettings ? Json(*link.sinceSettings) : Json()},
              {"key", link.key.GetKey().Str()}};
}

Json PingJson(const SeenPing& ping) {
  return Json{{"type", "ping"},          {"sonar", ping.sonar},     {"group", ping.group},
              {"trigger", ping.trigger}, {"release", ping.release}, {"guard", ping.guard}};
}

Json AttributesJson(const CAttributeMap& map) {
  return Json::parse(WriteAttributeMapJson(map));
}

Json TypedJson(const COrvType& value) {
  return Json::parse(WriteTypedValueJson(value));
}

// [{"key", wantedName: value, "current": value}] for the keys that differ.
Json DifferencesJson(const std::vector<SettingDifference>& differences, const char* wantedName) {
  Json list = Json::array();
  for (const SettingDifference& difference : differences) {
    list.push_back(Json{{"key", difference.key},
                        {wantedName, TypedJson(difference.wanted)},
                        {"current", TypedJson(difference.current)}});
  }
  return list;
}

const char* RestoreModeName(RestoreMode mode) {
  switch (mode) {
    case RestoreMode::kAuto:
      return "auto";
    case RestoreMode::kOff:
      return "off";
    case RestoreMode::kOffer:
      break;
  }
  return "offer";
}

Json RestoreJson(const std::string& device, const SettingsRestore::Offer& offer) {
  return Json{{"device", device},
              {"pending", offer.pending},
              {"mode", RestoreModeName(offer.mode)},
              {"diff", DifferencesJson(offer.diff, "remembered")}};
}

Json ProfileJson(const std::string& device, const ProfileStore::Profile& profile) {
  return Json{{"name", profile.name},
              {"device", device},
              {"saved", profile.saved},
              {"settings", AttributesJson(profile.settings)}};
}

// The longest operator's name the X-Operator header may give, in characters.
constexpr std::size_t kLongestOperatorName = 64;

// The operator's name of the X-Operator header. Header values were Latin-1 before UTF-8 (and clients
// still send them so), so a name that is not UTF-8 is read as Latin-1, as a sonar's texts are.
std::string OperatorName(const HttpRequest& request) {
  return SonarTextToUtf8(request.operatorName);
}

// Who made a call: its client's address and, when given, the operator's name.
RequestOrigin OriginOf(const HttpRequest& request, std::string source = "api") {
  std::string client = request.client;
  if (!request.operatorName.empty()) client += (client.empty() ? "(" : " (") + OperatorName(request) + ")";
  return RequestOrigin{std::move(source), std::move(client)};
}

// The memory's refusals as HTTP answers.
HttpReply ReplyProblem(const OperatorMemory::Result& result) {
  using Problem = OperatorMemory::Problem;
  switch (result.problem) {
    case Problem::kUnknownSonar:
    case Problem::kNoProfile:
      return ReplyError(404, result.message);
    case Problem::kBadName:
      return ReplyError(400, result.message);
    case Problem::kNoSettings:
    case Problem::kNotPending:
      return ReplyError(409, result.message);
    case Problem::kRefused:
      return ReplyError(503, result.message);
    case Problem::kNotStored:
    case Problem::kNone:
      break;
  }
  return ReplyError(500, result.message);
}

// "a=1&b=2" as names and percent-decoded values; nothing when a part is not NAME=VALUE or not UTF-8.
std::optional<std::vector<std::pair<std::string, std::string>>> QueryParameters(std::string_view query) {
  std::vector<std::pair<std::string, std::string>> parameters;
  while (!query.empty()) {
    const std::string_view part = query.substr(0, query.find('&'));
    query.remove_prefix(std::min(query.size(), part.size() + 1));
    if (part.empty()) continue;
    const std::size_t equals = part.find('=');
    std::string value;
    std::string problem;
    if (equals == std::string_view::npos || !DecodeRequestPath(part.substr(equals + 1), value, problem)) {
      return std::nullopt;
    }
    parameters.emplace_back(std::string(part.substr(0, equals)), std::move(value));
  }
  return parameters;
}

}  // namespace

struct HttpApi::Impl {
  // Turns what the host reports into events of the stream.
  class StreamEvents : public HostRuntime::Watcher {
   public:
    StreamEvents(EventHub& hub, HostRuntime& runtime) : hub_(hub), runtime_(runtime) {}

    void AttributesChanged(const CDataId& id) override {
      // Every settings record of every sonar lands here; with nobody on the stream, copying and
      // converting the map would only hold up the notification thread.
      if (!hub_.HasListeners()) return;
      const auto map = runtime_.Attributes(id);
      if (!map) return;
      hub_.Publish(Dump(
          Json{{"type", "attributes"}, {"key", id.GetKey().Str()}, {"attributes", AttributesJson(*map)}}));
    }
    void LinkChanged(const HostRuntime::LinkInfo& link) override {
      hub_.Publish(Dump(Json{{"type", "link"}, {"link", LinkJson(link)}}));
    }
    void PingSeen(const SeenPing& ping) override { hub_.Publish(Dump(PingJson(ping))); }
    void ViewChanged(int id, std::uint64_t version, bool closed) override {
      Json event{{"type", "view"}, {"id", id}, {"version", version}};
      if (closed) event["closed"] = true;
      hub_.Publish(Dump(event));
    }
    void HelpAsked(int id, const std::string& topic) override {
      hub_.Publish(Dump(Json{{"type", "help"}, {"id", id}, {"topic", topic}}));
    }
    void HistoryRecorded(const std::string& entry) override {
      hub_.Publish(R"({"type":"history","entry":)" + entry + "}");
    }
    void RestoreChanged(const std::string& device) override {
      Json event =
          RestoreJson(device, runtime_.Memory().RestoreOffer(device).value_or(SettingsRestore::Offer{}));
      event["type"] = "restore";
      hub_.Publish(Dump(event));
    }
    void SonarEventArrived(const HostRuntime::SonarEvent& arrived) override {
      hub_.Publish(Dump(Json{{"type", "sonarEvent"},
                             {"key", arrived.key},
                             {"sonar", arrived.sonar},
                             {"eventType", arrived.event.type},
                             {"number", arrived.event.number},
                             {"text", arrived.event.text}}));
    }

   private:
    EventHub& hub_;
    HostRuntime& runtime_;
  };

  explicit Impl(HostRuntime& host) : runtime(host), streamEvents(events, host) {}

  // The named parts of a route's pattern ({key}), in order.
  using Parts = std::vector<std::string>;
  using Handler = HttpReply (Impl::*)(const HttpRequest&, const Parts&);
  struct Route {
    std::string_view method;
    std::string_view pattern;
    Handler handler;
    std::string_view what;
  };
  static const Route kRoutes[];

  HttpReply Handle(const HttpRequest& request);
  bool Authorized(const HttpRequest& request) const;

  HttpReply ListDevices(const HttpRequest& request, const Parts& parts);
  HttpReply DeviceAttributes(const HttpRequest& request, const Parts& parts);
  HttpReply RequestChange(const HttpRequest& request, const Parts& parts);
  HttpReply LoggingStarted(const HttpRequest& request, const Parts& parts);
  HttpReply LoggingStopped(const HttpRequest& request, const Parts& parts);
  HttpReply SelectSonar(const HttpRequest& request, const Parts& parts);
  HttpReply SelectVessel(const HttpRequest& request, const Parts& parts);
  HttpReply StoreSoundVelocity(const HttpRequest& request, const Parts& parts);
  HttpReply ListLinks(const HttpRequest& request, const Parts& parts);
  HttpReply FollowEvents(const HttpRequest& request, const Parts& parts);
  HttpReply ListPings(const HttpRequest& request, const Parts& parts);
  HttpReply ShowClock(const HttpRequest& request, const Parts& parts);
  HttpReply ListTemplates(const HttpRequest& request, const Parts& parts);
  HttpReply ListViews(const HttpRequest& request, const Parts& parts);
  HttpReply OpenView(const HttpRequest& request, const Parts& parts);
  HttpReply ShowView(const HttpRequest& request, const Parts& parts);
  HttpReply CloseView(const HttpRequest& request, const Parts& parts);
  HttpReply ActOnView(const HttpRequest& request, const Parts& parts);
  HttpReply ShowSimulatedFaults(const HttpRequest& request, const Parts& parts);
  HttpReply ChangeSimulatedFaults(const HttpRequest& request, const Parts& parts);
  HttpReply ShowHistory(const HttpRequest& request, const Parts& parts);
  HttpReply ShowHistoryCsv(const HttpRequest& request, const Parts& parts);
  HttpReply SaveProfile(const HttpRequest& request, const Parts& parts);
  HttpReply ListProfiles(const HttpRequest& request, const Parts& parts);
  HttpReply ShowProfile(const HttpRequest& request, const Parts& parts);
  HttpReply DiffProfile(const HttpRequest& request, const Parts& parts);
  HttpReply ApplyProfile(const HttpRequest& request, const Parts& parts);
  HttpReply DeleteProfile(const HttpRequest& request, const Parts& parts);
  HttpReply ListRestores(const HttpRequest& request, const Parts& parts);
  HttpReply ShowRestore(const HttpRequest& request, const Parts& parts);
  HttpReply ApplyRestore(const HttpRequest& request, const Parts& parts);
  HttpReply DismissRestore(const HttpRequest& request, const Parts& parts);
  HttpReply ServeFrontEndFile(const HttpRequest& request);
  // The history entries a query of the request asks for, or the refusal of a bad query.
  std::variant<HistoryQuery, HttpReply> ReadHistoryQuery(const HttpRequest& request) const;

  HostRuntime& runtime;
  HttpApiOptions options;
  std::string bound;
  EventHub events;
  StreamEvents streamEvents;
  std::unique_ptr<HttpServer> server;
  bool stopped = false;
};

// The API, one route a line. Any other GET outside /api is a file of the front-end folder.
const HttpApi::Impl::Route HttpApi::Impl::kRoutes[] = {
    {"GET", "/api/devices", &Impl::ListDevices, "the configured devices with their vessels"},
    {"GET", "/api/devices/{key}/attributes", &Impl::DeviceAttributes, "a device's attribute map"},
    {"POST", "/api/devices/{key}/request", &Impl::RequestChange, "an attribute map of changes for a device"},
    {"POST", "/api/logging/start", &Impl::LoggingStarted, "the host's logging started"},
    {"POST", "/api/logging/stop", &Impl::LoggingStopped, "the host's logging stopped"},
    {"POST", "/api/selection/sonar", &Impl::SelectSonar,
     "the operator selects a sonar, {\"id\": [a, b, c, d]}"},
    {"POST", "/api/selection/vessel", &Impl::SelectVessel,
     "the operator makes a vessel active, {\"vessel\": n}"},
    {"POST", "/api/sensors/sound-velocity", &Impl::StoreSoundVelocity,
     R"(a sound-velocity reading in m/s for the sonars, {"value": v, "vessel": n})"},
    {"GET", "/api/links", &Impl::ListLinks, "state, buffer status and counters of each sonar link"},
    {"GET", "/api/stream", &Impl::FollowEvents,
     "server-sent events: attributes, links, sonar events, views, pings"},
    {"GET", "/api/pings", &Impl::ListPings, "the sequenced pings seen on the links in the last 60 s"},
    {"GET", "/api/clock", &Impl::ShowClock, "the host's steady clock in seconds, the time base of the pings"},
    {"GET", "/api/templates", &Impl::ListTemplates, "the registered document templates and their views"},
    {"GET", "/api/views", &Impl::ListViews, "the open views"},
    {"POST", "/api/views", &Impl::OpenView, R"(opens a view, {"template": NAME, "attributes": map})"},
    {"GET", "/api/views/{id}", &Impl::ShowView, "a view's window tree"},
    {"DELETE", "/api/views/{id}", &Impl::CloseView, "closes a view"},
    {"POST", "/api/views/{id}/events", &Impl::ActOnView, "operator actions on a view's controls"},
    {"GET", "/api/simulated/{key}/faults", &Impl::ShowSimulatedFaults,
     "the fault switches of a device's in-process simulated sonar"},
    {"POST", "/api/simulated/{key}/faults", &Impl::ChangeSimulatedFaults,
     R"(switches faults of a device's in-process simulated sonar, {"boards": {"TX1": 1},)"
     R"( "fieldsOutOfLimits": ["RX1/Temperature"], "event": {"type": 3, "text": "..."}, "silent": false,)"
     R"( "powerCycle": true})"},
    {"GET", "/api/history", &Impl::ShowHistory,
     "the changes applied to sonars, newest first; ?device=KEY&since=SECONDS&limit=N"},
    {"GET", "/api/history.csv", &Impl::ShowHistoryCsv, "the same as CSV"},
    {"POST", "/api/devices/{key}/profiles", &Impl::SaveProfile,
     R"(saves the sonar's settings as a profile, {"name": "..."})"},
    {"GET", "/api/devices/{key}/profiles", &Impl::ListProfiles, "the sonar's profiles"},
    {"GET", "/api/devices/{key}/profiles/{name}", &Impl::ShowProfile, "one profile"},
    {"GET", "/api/devices/{key}/profiles/{name}/diff", &Impl::DiffProfile,
     "the profile's settings that the sonar does not have now"},
    {"POST", "/api/devices/{key}/profiles/{name}/apply", &Impl::ApplyProfile,
     "sends the profile's differing settings as one request"},
    {"DELETE", "/api/devices/{key}/profiles/{name}", &Impl::DeleteProfile, "deletes a profile"},
    {"GET", "/api/restore", &Impl::ListRestores, "every sonar's restore after a power loss"},
    {"GET", "/api/devices/{key}/restore", &Impl::ShowRestore,
     "whether a restore of the sonar's remembered settings is pending, and what differs"},
    {"POST", "/api/devices/{key}/restore", &Impl::ApplyRestore, "applies the pending restore"},
    {"DELETE", "/api/devices/{key}/restore", &Impl::DismissRestore, "dismisses the pending restore"},
};

namespace {

// Whether path follows pattern segment by segment, a {name} segment standing for any non-empty one;
// the parts those stand for are appended to parts.
// path is as sent: each segment is percent-decoded on its own, so that a part may hold a "/" (a
// profile's name) written as %2F.
bool Matches(std::string_view pattern, std::string_view path, std::vector<std::string>& parts) {
  parts.clear();
  std::string have;
  std::string problem;
  while (!pattern.empty() && !path.empty()) {
    const auto patternEnd = pattern.find('/', 1);
    const auto pathEnd = path.find('/', 1);
    const std::string_view want = pattern.substr(0, patternEnd);
    if (!DecodeRequestPath(path.substr(0, pathEnd), have, problem)) return false;
    if (want.size() > 2 && want[1] == '{') {
      if (have.size() < 2) return false;
      parts.push_back(have.substr(1));
    } else if (want != have) {
      return false;
    }
    pattern = patternEnd == std::string_view::npos ? std::string_view() : pattern.substr(patternEnd);
    path = pathEnd == std::string_view::npos ? std::string_view() : path.substr(pathEnd);
  }
  return pattern.empty() && path.empty();
}

// Compares in time that does not depend on where the texts differ.
bool SameSecret(std::string_view given, std::string_view secret) {
  unsigned char difference = given.size() == secret.size() ? 0 : 1;
  for (std::size_t i = 0; i < given.size(); ++i) {
    difference |= static_cast<unsigned char>(given[i] ^ secret[i % std::max<std::size_t>(secret.size(), 1)]);
  }
  return difference == 0;
}

}  // namespace

bool HttpApi::Impl::Authorized(const HttpRequest& request) const {
  if (options.token.empty()) return true;
  // "Bearer TOKEN", the scheme in any case.
  constexpr std::string_view kScheme = "bearer ";
  const std::string_view header = request.authorization;
  if (header.size() < kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(header[i])) != kScheme[i]) return false;
  }
  std::string_view token = header.substr(kScheme.size());
  while (!token.empty() && token.front() == ' ') token.remove_prefix(1);
  while (!token.empty() && token.back() == ' ') token.remove_suffix(1);
  return SameSecret(token, options.token);
}

HttpReply HttpApi::Impl::Handle(const HttpRequest& request) {
  const bool api = request.path == "/api" || request.path.rfind("/api/", 0) == 0;
  if (api && !Authorized(request)) {
    return ReplyError(401, "this host needs the header \"Authorization: Bearer <token>\"");
  }
  if (!request.operatorName.empty()) {
    const std::string problem =
        PrintableNameProblem(OperatorName(request), "X-Operator", kLongestOperatorName);
    if (!problem.empty()) return ReplyError(400, problem);
  }
  // A request made within the process (tests, tools) may give only the decoded path.
  const std::string_view sent = request.target.empty() ? std::string_view(request.path) : request.target;
  Parts parts;
  for (const Route& route : kRoutes) {
    if (route.method == request.method && Matches(route.pattern, sent, parts)) {
      return (this->*route.handler)(request, parts);
    }
  }
  if (!api && request.method == "GET" && !options.frontEnd.empty()) return ServeFrontEndFile(request);
  return ReplyError(404, "no such route: " + request.method + " " + request.path);
}

HttpReply HttpApi::Impl::ListDevices(const HttpRequest& /*request*/, const Parts& /*parts*/) {
  Json devices = Json::array();
  for (const HostRuntime::DeviceInfo& device : runtime.Devices()) {
    devices.push_back(Json{{"key", device.id.GetKey().Str()},
                           {"name", device.name},
                           {"type", device.type},
                           {"vessel", device.vessel},
                           {"vesselName", device.vesselName}});
  }
  return ReplyJson(200, devices);
}

HttpReply HttpApi::Impl::DeviceAttributes(const HttpRequest& /*request*/, const Parts& parts) {
  const std::string& key = parts[0];
  const auto id = ParseKey(key);
  const auto map = id ? runtime.Attributes(*id) : std::nullopt;
  if (!map) return ReplyError(404, "no device with key \"" + key + "\"");
  return HttpReply{200, "application/json", WriteAttributeMapJson(*map)};
}

HttpReply HttpApi::Impl::RequestChange(const HttpRequest& request, const Parts& parts) {
  const std::string& key = parts[0];
  const auto id = ParseKey(key);
  if (!id || !runtime.HasDevice(*id)) return ReplyError(404, "no device with key \"" + key + "\"");
  CAttributeMap changes;
  const AttributeMapParseResult parsed = ReadAttributeMapJson(request.body, changes);
  if (!parsed.ok) return ReplyError(400, "request body: " + parsed.error);
  using Outcome = HostRuntime::RequestResult::Outcome;
  const HostRuntime::RequestResult result = runtime.Request(*id, changes, OriginOf(request));
  switch (result.outcome) {
    case Outcome::kPosted:
      return ReplyJson(202, Json{{"applied", key}});
    case Outcome::kNoDevice:
      return ReplyError(404, "no device with key \"" + key + "\"");
    case Outcome::kUnknownKey:
    case Outcome::kRepeatedKey:
      return ReplyError(400, "request body: " + result.Refusal());
    case Outcome::kStopping:
      return ReplyError(503, "the host is stopping");
  }
  return ReplyError(500, "request not handled");
}

HttpReply HttpApi::Impl::LoggingStarted(const HttpRequest& request, const Parts& /*parts*/) {
  runtime.SetLogging(true, OriginOf(request).client);
  return ReplyJson(200, Json{{"logging", true}});
}

HttpReply HttpApi::Impl::LoggingStopped(const HttpRequest& request, const Parts& /*parts*/) {
  runtime.SetLogging(false, OriginOf(request).client);
  return ReplyJson(200, Json{{"logging", false}});
}

HttpReply HttpApi::Impl::SelectSonar(const HttpRequest& request, const Parts& /*parts*/) {
  constexpr const char* kExpected = R"({"id": [a, b, c, d]} with four numbers from 0 to 65535)";
  const auto body = ParseObject(request);
  if (!body) return ExpectedBody(kExpected);
  const Json* id = body->contains("id") ? &(*body)["id"] : nullptr;
  std::optional<std::uint16_t> part[4];
  if (id != nullptr && id->is_array() && id->size() == 4) {
    for (std::size_t i = 0; i < 4; ++i) part[i] = ReadU16((*id)[i]);
  }
  if (!part[0] || !part[1] || !part[2] || !part[3]) return ExpectedBody(kExpected);
  const CDataId sonar(*part[0], *part[1], *part[2], *part[3]);
  if (!runtime.SelectSonar(sonar)) {
    return ReplyError(404, "no device with key \"" + std::string(sonar.GetKey().Str()) + "\"");
  }
  return ReplyJson(200, Json{{"selectedSonar", sonar.GetKey().Str()}});
}

HttpReply HttpApi::Impl::SelectVessel(const HttpRequest& request, const Parts& /*parts*/) {
  constexpr const char* kExpected = R"({"vessel": n} with a vessel number from 0 to 65535)";
  const auto body = ParseObject(request);
  const auto vessel = body && body->contains("vessel") ? ReadU16((*body)["vessel"]) : std::nullopt;
  if (!vessel) return ExpectedBody(kExpected);
  if (!runtime.SelectVessel(*vessel)) return ReplyError(404, "no vessel " + std::to_string(*vessel));
  return ReplyJson(200, Json{{"activeVessel", *vessel}});
}

HttpReply HttpApi::Impl::StoreSoundVelocity(const HttpRequest& request, const Parts& /*parts*/) {
  constexpr const char* kExpected =
      R"({"value": m/s} with a sound velocity from 1000 to 2000, and optionally "vessel": n)";
  const auto body = ParseObject(request);
  if (!body) return ExpectedBody(kExpected);
  const Json* value = body->contains("value") ? &(*body)["value"] : nullptr;
  if (value == nullptr || !value->is_number() || !std::isfinite(value->get<double>()) ||
      value->get<double>() < kLowestSoundVelocity || value->get<double>() > kHighestSoundVelocity) {
    return ExpectedBody(kExpected);
  }
  std::optional<std::uint16_t> vessel;
  if (body->contains("vessel")) {
    vessel = ReadU16((*body)["vessel"]);
    if (!vessel) return ExpectedBody(kExpected);
  }
  const std::size_t sonars = runtime.StoreSoundVelocity(value->get<double>(), vessel);
  if (sonars == 0)
    return ReplyError(404, vessel ? "no sonar on vessel " + std::to_string(*vessel) : "no sonar");
  return ReplyJson(200, Json{{"soundVelocity", value->get<double>()}, {"sonars", sonars}});
}

HttpReply HttpApi::Impl::ListLinks(const HttpRequest& /*request*/, const Parts& /*parts*/) {
  Json links = Json::array();
  for (const HostRuntime::LinkInfo& link : runtime.Links()) links.push_back(LinkJson(link));
  return ReplyJson(200, links);
}

HttpReply HttpApi::Impl::FollowEvents(const HttpRequest& /*request*/, const Parts& /*parts*/) {
  HttpReply reply;
  reply.eventStream = true;
  return reply;
}

namespace {

// A view id of the path: a positive number.
std::optional<int> ParseViewId(const std::string& text) {
  int id = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (problem != std::errc() || end != text.data() + text.size() || id <= 0) return std::nullopt;
  return id;
}

HttpReply NoView(const std::string& id) {
  return ReplyError(404, "no open view with id \"" + id + "\"");
}

}  // namespace

HttpReply HttpApi::Impl::ListPings(const HttpRequest& /*request*/, const Parts& /*parts*/) {
  Json pings = Json::array();
  for (const SeenPing& ping : runtime.Pings()) pings.push_back(PingJson(ping));
  return ReplyJson(200, pings);
}

HttpReply HttpApi::Impl::ShowClock(const HttpRequest& /*request*/, const Parts& /*parts*/) {
  return ReplyJson(200, Json{{"steady", SteadySeconds()}});
}

HttpReply HttpApi::Impl::ListTemplates(const HttpRequest& /*request*/, const Parts& /*parts*/) {
  Json templates = Json::array();
  CDocTemplateList& list = CDocTemplateList::GetDocTemplates();
  for (const std::string& name : list.Names()) {
    const CDocTemplate* docTemplate = list.Find(CString(name));
    const CRuntimeClass* view = docTemplate == nullptr ? nullptr : docTemplate->GetViewClass();
    templates.push_back(Json{{"name", name}, {"view", view == nullptr ? "" : view->m_lpszClassName}});
  }
  return ReplyJson(200, templates);
}

HttpReply HttpApi::Impl::ListViews(const HttpRequest& /*request*/, const Parts& /*parts*/) {
  Json views = Json::array();
  for (const ViewHost::Listing& view : runtime.Views().List()) {
    views.push_back(Json{{"id", view.id}, {"template", view.templateName}, {"title", view.title}});
  }
  return ReplyJson(200, views);
}

HttpReply HttpApi::Impl::OpenView(const HttpRequest& request, const Parts& /*parts*/) {
  constexpr const char* kExpected = R"({"template": NAME} and optionally "attributes": an attribute map)";
  const auto body = ParseObject(request);
  if (!body || !body->contains("template") || !(*body)["template"].is_string())
    return ExpectedBody(kExpected);
  const std::string name = (*body)["template"].get<std::string>();
  CAttributeMap attributes;
  if (body->contains("attributes")) {
    const AttributeMapParseResult parsed = ReadAttributeMapJson((*body)["attributes"].dump(), attributes);
    if (!parsed.ok) return ReplyError(400, "attributes: " + parsed.error);
  }
  using Outcome = ViewHost::Opened::Outcome;
  const ViewHost::Opened opened = runtime.Views().Open(name, attributes);
  switch (opened.outcome) {
    case Outcome::kOpened:
      return ReplyJson(201, Json{{"id", opened.id}});
    case Outcome::kNoTemplate:
      return ReplyError(404, "no document template \"" + name + "\" (see GET /api/templates)");
    case Outcome::kFailed:
      return ReplyError(500, "the view of template \"" + name + "\" could not be made");
    case Outcome::kStopping:
      return ReplyError(503, "the host is stopping");
  }
  return ReplyError(500, "view not opened");
}

HttpReply HttpApi::Impl::ShowView(const HttpRequest& /*request*/, const Parts& parts) {
  const auto id = ParseViewId(parts[0]);
  const auto tree = id ? runtime.Views().Tree(*id) : std::nullopt;
  if (!tree) return NoView(parts[0]);
  return HttpReply{200, "application/json", *tree};
}

HttpReply HttpApi::Impl::CloseView(const HttpRequest& /*request*/, const Parts& parts) {
  const auto id = ParseViewId(parts[0]);
  if (!id || !runtime.Views().Close(*id)) return NoView(parts[0]);
  return ReplyJson(200, Json{{"closed", *id}});
}

HttpReply HttpApi::Impl::ActOnView(const HttpRequest& request, const Parts& parts) {
  const auto id = ParseViewId(parts[0]);
  if (!id || !runtime.Views().Tree(*id)) return NoView(parts[0]);
  std::vector<ViewAction> actions;
  std::string problem;
  if (!ParseViewActions(request.body, actions, problem)) return ReplyError(400, problem);
  runtime.NoteViewClient(OriginOf(request).client);
  using Outcome = ViewHost::Acted::Outcome;
  const ViewHost::Acted acted = runtime.Views().Act(*id, actions);
  const std::string which = actions.size() == 1 ? "action" : "actions[" + std::to_string(acted.action) + "]";
  switch (acted.outcome) {
    case Outcome::kDone:
      return ReplyJson(200, Json{{"version", acted.version}});
    case Outcome::kNoView:
      return NoView(parts[0]);
    case Outcome::kNoControl:
      return ReplyError(404, which + ": view " + parts[0] + " has no control " +
                                 std::to_string(actions[acted.action].control));
    case Outcome::kWrongKind:
      return ReplyError(400, which + ": control " + std::to_string(actions[acted.action].control) +
                                 " does not take that action");
    case Outcome::kStopping:
      return ReplyError(503, "the host is stopping");
  }
  return ReplyError(500, "actions not handled");
}

namespace {

// Why a device's simulated head could not be reached; nothing when it was.
std::optional<HttpReply> NoSimulatedHead(HostRuntime::SimulatedHeadOutcome outcome, const std::string& key) {
  using Outcome = HostRuntime::SimulatedHeadOutcome;
  switch (outcome) {
    case Outcome::kDone:
      return std::nullopt;
    case Outcome::kNoDevice:
      return ReplyError(404, "no device with key \"" + key + "\"");
    case Outcome::kNotSimulated:
      return ReplyError(404, "device \"" + key + "\" is not an in-process simulated sonar");
    case Outcome::kNoHead:
      return ReplyError(404, "no head of the simulated sonar of device \"" + key +
                                 "\" answers under the device's device enum");
    case Outcome::kStopping:
      return ReplyError(503, "the host is stopping");
  }
  return ReplyError(500, "simulated sonar not reached");
}

}  // namespace

HttpReply HttpApi::Impl::ShowSimulatedFaults(const HttpRequest& /*request*/, const Parts& parts) {
  const std::string& key = parts[0];
  const auto id = ParseKey(key);
  if (!id) return ReplyError(404, "no device with key \"" + key + "\"");
  SimFaults now;
  const auto outcome = runtime.WithSimulatedHead(
      *id, [&now](SimHead& head, std::vector<std::string>&) { now = CurrentFaults(head); });
  if (auto refusal = NoSimulatedHead(outcome, key)) return *refusal;
  return ReplyJson(200, SimFaultsJson(now));
}

// The whole body is checked, its names against the head's model, before anything is switched: a
// refused body changes nothing.
HttpReply HttpApi::Impl::ChangeSimulatedFaults(const HttpRequest& request, const Parts& parts) {
  const std::string& key = parts[0];
  const auto id = ParseKey(key);
  if (!id) return ReplyError(404, "no device with key \"" + key + "\"");
  Json body;
  std::string refusal;  // "<member>: <problem>"
  SimFaults change;
  const JsonDocumentProblem document = ReadJsonDocument(request.body, "body", body);
  if (document.kind == JsonDocumentProblem::Kind::kMalformed) {
    refusal = "body: not JSON: " + document.message;
  } else if (document.kind == JsonDocumentProblem::Kind::kRepeatedKey) {
    refusal = document.message;
  } else if (const auto problem = ReadSimFaultsJson(body, SimFaultsJsonUse::kChange, nullptr, change)) {
    refusal = (problem->entry.empty() ? "body" : problem->entry) + ": " + problem->problem;
  }
  SimFaults now;
  const auto outcome = runtime.WithSimulatedHead(*id, [&](SimHead& head, std::vector<std::string>& out) {
    if (!refusal.empty()) return;
    if (const auto unknown = FindUnknownFaultName(head.Model(), change)) {
      refusal = unknown->entry + ": " + unknown->problem;
      return;
    }
    ApplyFaultSwitches(head, change, out);
    for (const SimEvent& event : change.events) head.SendEvent(event.type, event.text, out);
    now = CurrentFaults(head);
  });
  if (auto unreached = NoSimulatedHead(outcome, key)) return *unreached;
  if (!refusal.empty()) return ReplyError(400, refusal);
  if (change.powerCycle) runtime.PowerCycleSimulated(*id);
  return ReplyJson(200, SimFaultsJson(now));
}

HttpReply HttpApi::Impl::ServeFrontEndFile(const HttpRequest& request) {
  const FrontEndFile file = FindFrontEndFile(options.frontEnd, request.path);
  if (file.outcome == FrontEndFile::Outcome::kOutsideFolder) {
    return ReplyError(403, "path leaves the front-end folder: " + request.path);
  }
  std::ifstream in(file.path, std::ios::binary);
  if (file.outcome != FrontEndFile::Outcome::kFound || !in) {
    return ReplyError(404, "no front-end file " + request.path);
  }
  return HttpReply{200, FrontEndContentType(file.path), std::string(std::istreambuf_iterator<char>(in), {})};
}

HttpApi::HttpApi(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

HttpApi::~HttpApi() {
  Stop();
}

std::unique_ptr<HttpApi> HttpApi::Start(HostRuntime& runtime, const HttpApiOptions& options,
                                        std::string& error) {
  const auto colon = options.address.rfind(':');
  int port = -1;
  if (colon != std::string::npos) {
    const char* first = options.address.data() + colon + 1;
    const char* last = options.address.data() + options.address.size();
    const auto [end, problem] = std::from_chars(first, last, port);
    if (problem != std::errc() || end != last || first == last || port > 65535) port = -1;
  }
  if (colon == std::string::npos || colon == 0 || port < 0) {
    error = "--http \"" + options.address + "\": expected ADDRESS:PORT with a port from 0 to 65535";
    return nullptr;
  }
  std::string host = options.address.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (!IsLoopback(host) && options.token.empty()) {
    error = "--http " + options.address + " is reachable from other machines: give --token TOKEN";
    return nullptr;
  }

  auto impl = std::make_unique<Impl>(runtime);
  impl->options = options;
  Impl* raw = impl.get();
  std::string problem;
  impl->server = HttpServer::Start(
      host, static_cast<std::uint16_t>(port), options.limits,
      [raw](const HttpRequest& request) { return raw->Handle(request); }, impl->events, problem);
  if (!impl->server) {
    error = "--http " + options.address + ": " + problem;
    return nullptr;
  }
  impl->bound = (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
                std::to_string(impl->server->Port());

  runtime.Watch(impl->streamEvents);
  return std::unique_ptr<HttpApi>(new HttpApi(std::move(impl)));
}

std::string HttpApi::Address() const {
  return impl_->bound;
}

HttpReply HttpApi::Handle(const HttpRequest& request) {
  return impl_->Handle(request);
}

std::size_t HttpApi::OpenConnections() const {
  return impl_->server->OpenConnections();
}

void HttpApi::Stop() {
  if (impl_->stopped) return;
  impl_->stopped = true;
  impl_->runtime.Unwatch(impl_->streamEvents);
  impl_->server->Stop();
}

std::variant<HistoryQuery, HttpReply> HttpApi::Impl::ReadHistoryQuery(const HttpRequest& request) const {
  constexpr std::size_t kMostEntries = 100000;
  const auto parameters = QueryParameters(request.query);
  if (!parameters) return ReplyError(400, "query: expected device=KEY&since=SECONDS&limit=N");
  HistoryQuery query;
  for (const auto& [name, value] : *parameters) {
    if (name == "device") {
      const auto id = ParseKey(value);
      if (!id || !runtime.HasDevice(*id)) return ReplyError(404, "no device with key \"" + value + "\"");
      query.device = value;
    } else if (name == "since") {
      double since = 0.0;
      const auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), since);
      if (problem != std::errc() || end != value.data() + value.size() || !std::isfinite(since)) {
        return ReplyError(400, "since: expected seconds since the Unix epoch, not \"" + value + "\"");
      }
      query.since = since;
    } else if (name == "limit") {
      std::size_t limit = 0;
      const auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), limit);
      if (problem != std::errc() || end != value.data() + value.size() || limit < 1 || limit > kMostEntries) {
        return ReplyError(400, "limit: expected a whole number from 1 to " + std::to_string(kMostEntries));
      }
      query.limit = limit;
    } else {
      return ReplyError(400, "query: unknown parameter \"" + name + "\" (device, since, limit)");
    }
  }
  return query;
}

HttpReply HttpApi::Impl::ShowHistory(const HttpRequest& request, const Parts& /*parts*/) {
  auto query = ReadHistoryQuery(request);
  if (auto* refusal = std::get_if<HttpReply>(&query)) return std::move(*refusal);
  return HttpReply{200, "application/json", runtime.Memory().History().Json(std::get<HistoryQuery>(query))};
}

HttpReply HttpApi::Impl::ShowHistoryCsv(const HttpRequest& request, const Parts& /*parts*/) {
  auto query = ReadHistoryQuery(request);
  if (auto* refusal = std::get_if<HttpReply>(&query)) return std::move(*refusal);
  return HttpReply{200, "text/csv; charset=utf-8",
                   runtime.Memory().History().Csv(std::get<HistoryQuery>(query))};
}

HttpReply HttpApi::Impl::SaveProfile(const HttpRequest& request, const Parts& parts) {
  const auto body = ParseObject(request);
  const Json* name = body && body->contains("name") ? &(*body)["name"] : nullptr;
  if (name == nullptr || !name->is_string() || body->size() != 1) return ExpectedBody(R"({"name": "..."})");
  const OperatorMemory::Saved saved = runtime.Memory().SaveProfile(parts[0], name->get<std::string>());
  if (saved.problem != OperatorMemory::Problem::kNone) return ReplyProblem(saved);
  return ReplyJson(saved.replaced ? 200 : 201, ProfileJson(parts[0], saved.profile));
}

HttpReply HttpApi::Impl::ListProfiles(const HttpRequest& /*request*/, const Parts& parts) {
  OperatorMemory& memory = runtime.Memory();
  if (!memory.Knows(parts[0])) return ReplyError(404, "no sonar device has the key " + parts[0]);
  Json list = Json::array();
  for (const ProfileStore::Profile& profile : memory.Profiles(parts[0])) {
    list.push_back(
        Json{{"name", profile.name}, {"saved", profile.saved}, {"keys", profile.settings.GetCount()}});
  }
  return ReplyJson(200, list);
}

HttpReply HttpApi::Impl::ShowProfile(const HttpRequest& /*request*/, const Parts& parts) {
  const OperatorMemory::Found found = runtime.Memory().FindProfile(parts[0], parts[1]);
  if (found.problem != OperatorMemory::Problem::kNone) return ReplyProblem(found);
  return ReplyJson(200, ProfileJson(parts[0], found.profile));
}

HttpReply HttpApi::Impl::DiffProfile(const HttpRequest& /*request*/, const Parts& parts) {
  const OperatorMemory::Differences differences = runtime.Memory().DiffProfile(parts[0], parts[1]);
  if (differences.problem != OperatorMemory::Problem::kNone) return ReplyProblem(differences);
  return ReplyJson(200, DifferencesJson(differences.diff, "profile"));
}

HttpReply HttpApi::Impl::ApplyProfile(const HttpRequest& request, const Parts& parts) {
  const OperatorMemory::Sent sent =
      runtime.Memory().ApplyProfile(parts[0], parts[1], OriginOf(request, "profile"));
  if (sent.problem != OperatorMemory::Problem::kNone) return ReplyProblem(sent);
  return ReplyJson(200, Json{{"applied", sent.keys}});
}

HttpReply HttpApi::Impl::DeleteProfile(const HttpRequest& /*request*/, const Parts& parts) {
  const OperatorMemory::Result deleted = runtime.Memory().DeleteProfile(parts[0], parts[1]);
  if (deleted.problem != OperatorMemory::Problem::kNone) return ReplyProblem(deleted);
  return ReplyJson(200, Json{{"name", parts[1]}});
}

HttpReply HttpApi::Impl::ListRestores(const HttpRequest& /*request*/, const Parts& /*parts*/) {
  Json list = Json::array();
  for (const HostRuntime::DeviceInfo& device : runtime.Devices()) {
    const std::string key = device.id.GetKey().Str();
    if (const auto offer = runtime.Memory().RestoreOffer(key)) list.push_back(RestoreJson(key, *offer));
  }
  return ReplyJson(200, list);
}

HttpReply HttpApi::Impl::ShowRestore(const HttpRequest& /*request*/, const Parts& parts) {
  const auto offer = runtime.Memory().RestoreOffer(parts[0]);
  if (!offer) return ReplyError(404, "no sonar device has the key " + parts[0]);
  return ReplyJson(200, RestoreJson(parts[0], *offer));
}

HttpReply HttpApi::Impl::ApplyRestore(const HttpRequest& request, const Parts& parts) {
  const OperatorMemory::Sent sent = runtime.Memory().ApplyRestore(parts[0], OriginOf(request, "restore"));
  if (sent.problem != OperatorMemory::Problem::kNone) return ReplyProblem(sent);
  return ReplyJson(200, Json{{"applied", sent.keys}});
}

HttpReply HttpApi::Impl::DismissRestore(const HttpRequest& request, const Parts& parts) {
  const OperatorMemory::Result dismissed = runtime.Memory().DismissRestore(parts[0]);
  if (dismissed.problem != OperatorMemory::Problem::kNone) return ReplyProblem(dismissed);
  return ShowRestore(request, parts);
}
