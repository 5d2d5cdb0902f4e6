// Routes of the JSON API, the security rules, and the sources of the event stream.
#include "HttpApi.h"

#include <httplib.h>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <thread>

#include "EventHub.h"
#include "FrontEndFiles.h"
#include "HostRuntime.h"
#include "tavrin/AttributeMapJson.h"
#include "tavrin/DataManager.h"
#include "tavrin/HostLogging.h"
#include "tavrin/SubscriptionImpl.h"
#include "zq/ZqMessageRecords.h"
#include "zq/ZqSonarRecordStore.h"
#include "zq/ZqTcpLink.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr auto kStreamWait = std::chrono::milliseconds(500);
constexpr auto kLinkWatchInterval = std::chrono::milliseconds(200);

void ReplyJson(httplib::Response& response, int status, const Json& body) {
  response.status = status;
  response.set_content(body.dump(), "application/json");
}

void ReplyError(httplib::Response& response, int status, const std::string& message) {
  ReplyJson(response, status, Json{{"error", message}});
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

// The body of a call as a JSON object; null after replying 400 when it is not one.
std::optional<Json> ParseObject(const httplib::Request& request, httplib::Response& response,
                                const char* expected) {
  Json body = Json::parse(request.body, nullptr, false);
  if (body.is_discarded() || !body.is_object()) {
    ReplyError(response, 400, std::string("body: expected ") + expected);
    return std::nullopt;
  }
  return body;
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
              {"disconnects", c.disconnects}};
}

Json AttributesJson(const CAttributeMap& map) {
  return Json::parse(WriteAttributeMapJson(map));
}

// Publishes a device's attributes to the event stream whenever its key is notified.
class AttributeEvents : public Subscriber {
 public:
  AttributeEvents(EventHub& hub, CDataId id) : hub_(hub), id_(id) {}
  void Notify(const NotificationInfo* /*info*/) override {
    // Every settings record of every sonar lands here; with nobody on the stream, copying and
    // converting the map would only hold up the notification thread.
    if (!hub_.HasListeners()) return;
    CAttributeMap map;
    if (!DataManager::GetDataManager().GetAttributeMap(id_, map)) return;
    hub_.Publish(
        Json{{"type", "attributes"}, {"key", id_.GetKey().Str()}, {"attributes", AttributesJson(map)}}
            .dump());
  }

 private:
  EventHub& hub_;
  CDataId id_;
};

}  // namespace

struct HttpApi::Impl {
  explicit Impl(HostRuntime& host) : runtime(host) {}
  void Routes();
  void WatchLinks();

  HostRuntime& runtime;
  HttpApiOptions options;
  httplib::Server server;
  std::string bound;
  std::thread serving;
  std::atomic<bool> servingEnded{false};
  EventHub events;
  std::vector<std::unique_ptr<SubscriptionImpl>> attributeSubscriptions;
  ZqSonarRecordStore::Registration sonarEvents;
  std::thread linkWatch;
  std::atomic<bool> stopping{false};
  bool stopped = false;
};

void HttpApi::Impl::Routes() {
  server.set_payload_max_length(kLargestBody);
  // Answers are small and clients keep their connection: without this, each answer waits on the
  // client's delayed acknowledgement of the one before.
  server.set_tcp_nodelay(true);
  server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    if (options.token.empty() || request.path.rfind("/api/", 0) != 0)
      return httplib::Server::HandlerResponse::Unhandled;
    if (request.get_header_value("Authorization") == "Bearer " + options.token) {
      return httplib::Server::HandlerResponse::Unhandled;
    }
    ReplyError(response, 401, "this host needs the header \"Authorization: Bearer <token>\"");
    return httplib::Server::HandlerResponse::Handled;
  });
  server.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
    if (!response.body.empty()) return;
    if (response.status == 413) {
      ReplyError(response, 413, "request body over " + std::to_string(kLargestBody) + " bytes");
    } else if (response.status == 404) {
      ReplyError(response, 404, "no such route: " + request.method + " " + request.path);
    } else {
      ReplyError(response, response.status, "request refused");
    }
  });

  server.Get("/api/devices", [this](const httplib::Request&, httplib::Response& response) {
    Json devices = Json::array();
    for (const HostRuntime::DeviceInfo& device : runtime.Devices()) {
      devices.push_back(Json{{"key", device.id.GetKey().Str()},
                             {"name", device.name},
                             {"type", device.type},
                             {"vessel", device.vessel},
                             {"vesselName", device.vesselName}});
    }
    ReplyJson(response, 200, devices);
  });

  server.Get(R"(/api/devices/([^/]+)/attributes)",
             [](const httplib::Request& request, httplib::Response& response) {
               const std::string key = request.matches[1];
               const auto id = ParseKey(key);
               CAttributeMap map;
               if (!id || !DataManager::GetDataManager().GetAttributeMap(*id, map)) {
                 ReplyError(response, 404, "no device with key \"" + key + "\"");
                 return;
               }
               response.set_content(WriteAttributeMapJson(map), "application/json");
             });

  server.Post(R"(/api/devices/([^/]+)/request)",
              [this](const httplib::Request& request, httplib::Response& response) {
                const std::string key = request.matches[1];
                const auto id = ParseKey(key);
                if (!id || DataManager::GetDataManager().FindDevice(*id) == nullptr) {
                  ReplyError(response, 404, "no device with key \"" + key + "\"");
                  return;
                }
                CAttributeMap changes;
                const AttributeMapParseResult parsed = ReadAttributeMapJson(request.body, changes);
                if (!parsed.ok) {
                  ReplyError(response, 400, "request body: " + parsed.error);
                  return;
                }
                if (!runtime.Request(*id, changes)) {
                  ReplyError(response, 503, "the host is stopping");
                  return;
                }
                ReplyJson(response, 202, Json{{"applied", key}});
              });

  server.Post(R"(/api/logging/(start|stop))",
              [](const httplib::Request& request, httplib::Response& response) {
                const bool start = request.matches[1] == "start";
                if (start) {
                  HostLogging::PublishStarted();
                } else {
                  HostLogging::PublishStopped();
                }
                ReplyJson(response, 200, Json{{"logging", start}});
              });

  server.Post("/api/selection/sonar", [this](const httplib::Request& request, httplib::Response& response) {
    constexpr const char* kExpected = R"({"id": [a, b, c, d]} with four numbers from 0 to 65535)";
    const auto body = ParseObject(request, response, kExpected);
    if (!body) return;
    const Json* id = body->contains("id") ? &(*body)["id"] : nullptr;
    std::optional<std::uint16_t> part[4];
    if (id != nullptr && id->is_array() && id->size() == 4) {
      for (std::size_t i = 0; i < 4; ++i) part[i] = ReadU16((*id)[i]);
    }
    if (!part[0] || !part[1] || !part[2] || !part[3]) {
      ReplyError(response, 400, std::string("body: expected ") + kExpected);
      return;
    }
    const CDataId sonar(*part[0], *part[1], *part[2], *part[3]);
    if (!runtime.SelectSonar(sonar)) {
      ReplyError(response, 404, "no device with key \"" + std::string(sonar.GetKey().Str()) + "\"");
      return;
    }
    ReplyJson(response, 200, Json{{"selectedSonar", sonar.GetKey().Str()}});
  });

  server.Post("/api/selection/vessel", [this](const httplib::Request& request, httplib::Response& response) {
    constexpr const char* kExpected = R"({"vessel": n} with a vessel number from 0 to 65535)";
    const auto body = ParseObject(request, response, kExpected);
    if (!body) return;
    const auto vessel = body->contains("vessel") ? ReadU16((*body)["vessel"]) : std::nullopt;
    if (!vessel) {
      ReplyError(response, 400, std::string("body: expected ") + kExpected);
      return;
    }
    if (!runtime.SelectVessel(*vessel)) {
      ReplyError(response, 404, "no vessel " + std::to_string(*vessel));
      return;
    }
    ReplyJson(response, 200, Json{{"activeVessel", *vessel}});
  });

  server.Post(
      "/api/sensors/sound-velocity", [this](const httplib::Request& request, httplib::Response& response) {
        constexpr const char* kExpected =
            R"({"value": m/s} with a sound velocity from 1000 to 2000, and optionally "vessel": n)";
        const auto body = ParseObject(request, response, kExpected);
        if (!body) return;
        const Json* value = body->contains("value") ? &(*body)["value"] : nullptr;
        if (value == nullptr || !value->is_number() || !std::isfinite(value->get<double>()) ||
            value->get<double>() < kLowestSoundVelocity || value->get<double>() > kHighestSoundVelocity) {
          ReplyError(response, 400, std::string("body: expected ") + kExpected);
          return;
        }
        std::optional<std::uint16_t> vessel;
        if (body->contains("vessel")) {
          vessel = ReadU16((*body)["vessel"]);
          if (!vessel) {
            ReplyError(response, 400, std::string("body: expected ") + kExpected);
            return;
          }
        }
        const std::size_t sonars = runtime.StoreSoundVelocity(value->get<double>(), vessel);
        if (sonars == 0) {
          ReplyError(response, 404, vessel ? "no sonar on vessel " + std::to_string(*vessel) : "no sonar");
          return;
        }
        ReplyJson(response, 200, Json{{"soundVelocity", value->get<double>()}, {"sonars", sonars}});
      });

  server.Get("/api/links", [this](const httplib::Request&, httplib::Response& response) {
    Json links = Json::array();
    for (const HostRuntime::LinkInfo& link : runtime.Links()) links.push_back(LinkJson(link));
    ReplyJson(response, 200, links);
  });

  server.Get("/api/stream", [this](const httplib::Request&, httplib::Response& response) {
    auto client = events.Listen();
    response.set_header("Cache-Control", "no-cache");
    response.set_chunked_content_provider(
        "text/event-stream",
        [this, client](std::size_t /*offset*/, httplib::DataSink& sink) {
          if (stopping) {
            sink.done();
            return true;
          }
          const std::optional<std::string> event = client->Next(kStreamWait);
          const std::string chunk = event ? "data: " + *event + "\n\n" : std::string(": waiting\n\n");
          return sink.write(chunk.data(), chunk.size());
        },
        [this, client](bool /*success*/) { events.Forget(client); });
  });

  // Registered last: every GET that no API route took is a front-end file.
  server.Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    if (request.path.rfind("/api/", 0) == 0 || options.frontEnd.empty()) {
      ReplyError(response, 404, "no such route: GET " + request.path);
      return;
    }
    const FrontEndFile file = FindFrontEndFile(options.frontEnd, request.path);
    if (file.outcome == FrontEndFile::Outcome::kOutsideFolder) {
      ReplyError(response, 403, "path leaves the front-end folder: " + request.path);
      return;
    }
    std::ifstream in(file.path, std::ios::binary);
    if (file.outcome != FrontEndFile::Outcome::kFound || !in) {
      ReplyError(response, 404, "no front-end file " + request.path);
      return;
    }
    response.set_content(std::string(std::istreambuf_iterator<char>(in), {}), FrontEndContentType(file.path));
  });
}

void HttpApi::Impl::WatchLinks() {
  std::vector<ZqTcpLink::State> last;
  while (!stopping) {
    const auto links = runtime.Links();
    last.resize(links.size(), ZqTcpLink::State::kIdle);
    for (std::size_t i = 0; i < links.size(); ++i) {
      if (links[i].counters.state == last[i]) continue;
      last[i] = links[i].counters.state;
      events.Publish(Json{{"type", "link"}, {"link", LinkJson(links[i])}}.dump());
    }
    std::this_thread::sleep_for(kLinkWatchInterval);
  }
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
  impl->Routes();
  const int boundPort =
      port == 0 ? impl->server.bind_to_any_port(host) : (impl->server.bind_to_port(host, port) ? port : -1);
  if (boundPort < 0) {
    error = "--http " + options.address + ": cannot listen there (in use, or not an address of this machine)";
    return nullptr;
  }
  impl->bound =
      (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(boundPort);

  for (const HostRuntime::DeviceInfo& device : runtime.Devices()) {
    auto subscription = std::make_unique<SubscriptionImpl>(NotificationKind::kDeviceKey);
    subscription->SetSubscriber(new AttributeEvents(impl->events, device.id), true);
    subscription->Subscribe(device.id.GetKey());
    impl->attributeSubscriptions.push_back(std::move(subscription));
  }
  impl->sonarEvents = ZqSonarRecordStore::Instance().Register(
      [hub = &impl->events](const CString& key, const CString& name, std::uint32_t type,
                            const std::string& record) {
        if (type != 7051) return;
        const auto event =
            ZqMessageRecords::DecodeEvent(std::as_bytes(std::span(record.data(), record.size())));
        if (!event) return;
        hub->Publish(Json{{"type", "sonarEvent"},
                          {"key", key.Str()},
                          {"sonar", name.Str()},
                          {"eventType", event->type},
                          {"number", event->number},
                          {"text", event->text}}
                         .dump());
      });
  Impl* raw = impl.get();
  impl->serving = std::thread([raw] {
    raw->server.listen_after_bind();
    raw->servingEnded = true;
  });
  // The server only honours stop() once it is accepting, and a stop signal may come at once.
  while (!raw->server.is_running() && !raw->servingEnded) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  impl->linkWatch = std::thread([raw] { raw->WatchLinks(); });
  return std::unique_ptr<HttpApi>(new HttpApi(std::move(impl)));
}

std::string HttpApi::Address() const {
  return impl_->bound;
}

void HttpApi::Stop() {
  if (impl_->stopped) return;
  impl_->stopped = true;
  impl_->stopping = true;
  impl_->events.Close();
  impl_->attributeSubscriptions.clear();
  impl_->sonarEvents = ZqSonarRecordStore::Registration();
  impl_->server.stop();
  if (impl_->serving.joinable()) impl_->serving.join();
  if (impl_->linkWatch.joinable()) impl_->linkWatch.join();
}
