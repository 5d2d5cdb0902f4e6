// A host in this process on the embedded default, with its JSON API, refusals at start and the data
// time-out's floor. (Link loss and return, data going quiet: the end-to-end tests.)
#include "host/HostRuntime.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "host/DataTimeOutFloor.h"
#include "host/HttpApi.h"
#include "host/LinkActivity.h"
#include "host/PluginLoader.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/DataSubscription.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/tavrin/SubscriptionImpl.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/zq/ZqMessageRecords.h"
#include "platform/zq/ZqSonarRecordStore.h"
#include "tests/link/Waiting.h"
#include "tests/tools/ScratchFolder.h"
#include "tools/HttpClient.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class HostRuntimeTest : public ::testing::Test {
 protected:
  HostRuntimeTest() {
    std::string error;
    EXPECT_TRUE(plugin_.Load(KAVO_PLUGIN_FILE, error)) << error;
    if (plugin_.Exports().registerDevices != nullptr) plugin_.Exports().registerDevices();
    EXPECT_TRUE(ParseHostConfig(EmbeddedDefaultConfig(), config_, error)) << error;
    fs::create_directories(root_ / "web" / "js");
    std::ofstream(root_ / "web" / "index.html") << "<html>survey</html>";
    std::ofstream(root_ / "web" / "js" / "app.js") << "start();";
    std::ofstream(root_ / "secret.txt") << "not for the web";
    fs::create_symlink(root_ / "secret.txt", root_ / "web" / "link.txt");
    options_.stateFolder = root_ / "state";
  }
  ~HostRuntimeTest() override {
    api_.reset();
    runtime_.reset();
    if (plugin_.Exports().unRegisterDevices != nullptr) plugin_.Exports().unRegisterDevices();
  }
  // Devices are made through the types the plug-in registered, as the host program makes them.
  static std::unique_ptr<Device> MakeDevice(const std::string& type) {
    return CDevList::GetDevList().CreateDevice(CString(type));
  }

  bool Start(std::string& error) {
    runtime_ = HostRuntime::Start(config_, options_, MakeDevice, log_, error);
    return runtime_ != nullptr;
  }
  void StartWithApi(const std::string& token = "") {
    std::string error;
    ASSERT_TRUE(Start(error)) << error;
    api_ = HttpApi::Start(*runtime_, HttpApiOptions{"127.0.0.1:0", token, root_ / "web", {}}, error);
    ASSERT_TRUE(api_) << error;
    port_ = std::stoi(api_->Address().substr(api_->Address().rfind(':') + 1));
    client_ = std::make_unique<HttpClient>("127.0.0.1", port_);
    if (!token.empty()) client_->set_bearer_token_auth(token);
  }

  PluginLoader plugin_;  // first, so that it is unloaded after every device it made
  const ScratchFolder root_{"host-runtime"};
  HostConfig config_;
  HostRuntimeOptions options_;
  std::ostringstream log_;
  std::unique_ptr<HostRuntime> runtime_;  // declared before the API, so that it stops after it
  std::unique_ptr<HttpApi> api_;
  std::unique_ptr<HttpClient> client_;
  int port_ = 0;
  const CDataId shallow_{1, 78, 1, 1};
};

// Keeps the data ids and vessel numbers of one subscription's notifications.
struct Heard : Subscriber {
  void Notify(const NotificationInfo* info) override {
    if (const auto* about = dynamic_cast<const DataId_NI*>(info)) ids.push_back(about->GetDataId());
    if (const auto* vessel = dynamic_cast<const NFDataT<unsigned short>*>(info))
      vessels.push_back(vessel->GetData());
  }
  std::vector<CDataId> ids;
  std::vector<unsigned short> vessels;
};

TEST_F(HostRuntimeTest, EachRouteAnswersAsDocumentedAndRefusesWhatItCannotTake) {
  StartWithApi("s3cret");
  // The scheme is read in any case; the token must match exactly; a host others can reach needs one.
  for (const char* wrong : {"", "Bearer S3CRET", "Bearer s3cre", "Basic s3cret", "s3cret"})
    EXPECT_EQ(client_->Get("/api/links", {{"Authorization", wrong}}).value().status, 401) << wrong;
  EXPECT_EQ(client_->Get("/api/links", {{"Authorization", "bearer s3cret"}}).value().status, 200);
  std::string error;
  EXPECT_FALSE(HttpApi::Start(*runtime_, HttpApiOptions{"0.0.0.0:0", "", {}, {}}, error));
  EXPECT_EQ(error, "--http 0.0.0.0:0 is reachable from other machines: give --token TOKEN");
  Heard heard;
  SubscriptionImpl sonarSelection(NotificationKind::kNamed);
  SubscriptionImpl vesselSelection(NotificationKind::kActiveVessel);
  DataSubscription sensor;
  for (SubscriptionImpl* subscription :
       {&sonarSelection, &vesselSelection, static_cast<SubscriptionImpl*>(&sensor)})
    subscription->SetSubscriber(&heard, false);
  ASSERT_TRUE(sonarSelection.Subscribe(GeneralSubKeys::ADT_SELECTED_SONAR_CHANGE));
  ASSERT_TRUE(vesselSelection.Subscribe(sel_change::ACTIVE_VESSEL));
  ASSERT_TRUE(sensor.Subscribe(CDataId(1, 40, 1, 1)));

  const std::string request = "/api/devices/1.78.1.1/request", sonar = "/api/selection/sonar",
                    vessel = "/api/selection/vessel", velocity = "/api/sensors/sound-velocity";
  const std::string noDevice = R"({"error":"no device with key \")",
                    badBody = R"({"error":"body: expected {\")", badRequest = R"({"error":"request body: )",
                    outside = R"({"error":"path leaves the front-end folder)";
  const struct {
    std::string method, path, body;
    int status;
    std::string answer;  // the whole answer, or how it begins
  } calls[] = {
      {"GET", "/api/devices", "", 200,
       R"([{"key":"1.78.1.1","name":"Survey Vessel","type":"KavoSonarConfigurationControlDevice",)"
       R"("vessel":1,"vesselName":"Survey Vessel"},{"key":"2.78.1.1","name":"Deep sonar",)"},
      {"GET", "/api/devices/9.78.1.1/attributes", "", 404, noDevice + R"(9.78.1.1\""})"},
      {"GET", "/api/devices/%C3%A9/attributes", "", 404, noDevice + "\xC3\xA9" + R"(\""})"},
      {"GET", "/api/links", "", 200, R"([{"index":0,"device":"Survey Vessel",)"},
      {"POST", "/api/devices/9.78.1.1/request", "[]", 404, noDevice + R"(9.78.1.1\""})"},
      {"POST", request, R"([{"ZqRange": {"float": 1}}])", 400,
       badRequest + R"($[0].ZqRange: unknown value type \"float\"")"},
      {"POST", request, "[{\"ZqRange\": {\"text\": \"\xff\"}}]", 400, badRequest},
      {"POST", request, std::string(HttpLimits{}.largestBody + 1, ' '), 413,
       R"({"error":"request body over 1048576 bytes)"},
      {"POST", request, R"([{"ZqGain": {"double": 30}}, {"ZqRnage": {"double": 30}}, {"Other": {"int": 1}}])",
       400, badRequest + R"(unknown request key \"ZqRnage\""})"},
      {"POST", request, R"([{"Request": {"map": []}}])", 400,
       badRequest + R"(unknown request key \"Request\""})"},
      {"POST", request,
       R"([{"ZqGain": {"double": 30}}, {"ZqPower": {"double": 1}}, {"ZqGain": {"double": 31}}])", 400,
       badRequest + R"(repeated request key \"ZqGain\""})"},
      {"POST", request, R"([{"ZqRange": {"double": 120.0}}])", 202, R"({"applied":"1.78.1.1"})"},
      {"POST", "/api/logging/start", "", 200, R"({"logging":true})"},
      {"POST", "/api/logging/stop", "", 200, R"({"logging":false})"},
      {"POST", sonar, R"({"id": [2, 78, 1, 1]})", 200, R"({"selectedSonar":"2.78.1.1"})"},
      {"POST", sonar, R"({"id": [9, 78, 1, 1]})", 404, noDevice + R"(9.78.1.1\""})"},
      {"POST", sonar, R"({"id": [1, 78, 1]})", 400, badBody + R"(id\": [a, b, c, d]})"},
      {"POST", sonar, R"({"id": [1, 78, 1, 65536]})", 400, badBody + "id"},
      {"POST", sonar, R"({"id": [1, 78, 1.5, 1]})", 400, badBody + "id"},
      {"POST", sonar, "[1, 78, 1, 1]", 400, badBody + "id"},
      {"POST", vessel, R"({"vessel": 1})", 200, R"({"activeVessel":1})"},
      {"POST", vessel, R"({"vessel": 7})", 404, R"({"error":"no vessel 7"})"},
      {"POST", vessel, R"({"vessel": "1"})", 400, badBody + R"(vessel\": n})"},
      {"POST", vessel, R"({"vessel": -1})", 400, badBody + "vessel"},
      {"POST", vessel, "{", 400, badBody + "vessel"},
      {"POST", velocity, R"({"value": 1487.3})", 200, R"({"soundVelocity":1487.3,"sonars":2})"},
      {"POST", velocity, R"({"value": "fast"})", 400, badBody + R"(value\": m/s})"},
      {"POST", velocity, R"({"value": 5000})", 400, badBody + "value"},
      {"POST", velocity, R"({"value": 1500, "vessel": "one"})", 400, badBody + "value"},
      {"POST", velocity, R"({"speed": 1500})", 400, badBody + "value"},
      {"POST", velocity, R"({"value": 1500, "vessel": 9})", 404, R"({"error":"no sonar on vessel 9"})"},
      {"GET", "/api/nothing", "", 404, R"({"error":"no such route: GET /api/nothing"})"},
      {"DELETE", "/api/devices", "", 404, R"({"error":"no such route: DELETE /api/devices"})"},
      {"POST", "/%ff", "", 400, R"({"error":"path is not valid UTF-8 once percent-decoded"})"},
      {"GET", "/", "", 200, "<html>survey</html>"},
      {"GET", "/js/app.js", "", 200, "start();"},
      {"GET", "/../secret.txt", "", 403, outside},
      {"GET", "/js/../../secret.txt", "", 403, outside},
      {"GET", "/%2e%2e/secret.txt", "", 403, outside},
      {"GET", "/link.txt", "", 403, outside},
      {"GET", "/missing.html", "", 404, R"({"error":"no front-end file /missing.html"})"},
  };
  for (const auto& c : calls) {
    const auto response = c.method == "GET"    ? client_->Get(c.path)
                          : c.method == "POST" ? client_->Post(c.path, c.body)
                                               : client_->Delete(c.path);
    ASSERT_TRUE(response) << c.path;
    EXPECT_EQ(response->status, c.status) << c.method << " " << c.path << " " << c.body.substr(0, 80);
    EXPECT_EQ(response->body.substr(0, c.answer.size()), c.answer) << c.method << " " << c.path;
  }
  EXPECT_EQ(client_->Get("/js/app.js")->get_header_value("Content-Type"), "text/javascript; charset=utf-8");
  // The operator's name as a client sends it: UTF-8, or Latin-1 as HTTP headers were; never a control
  // character.
  EXPECT_EQ(client_->Get("/api/links", {{"X-Operator", "a\tb"}})->body,
            R"({"error":"X-Operator must be printable UTF-8 text, without control characters"})");
  EXPECT_EQ(
      client_->Post(request, R"([{"ZqPower": {"double": 190.0}}])", "", {{"X-Operator", "J\xF6rg"}})->status,
      202);
  EXPECT_TRUE(WaitFor([&] {
    return client_->Get("/api/history?limit=1")->body.find("\"client\":\"127.0.0.1 (J\xC3\xB6rg)\"") !=
           std::string::npos;
  }));

  // Nothing of a refused request was stored; the selections and the reading reached their followers.
  const auto attributes = runtime_->Attributes(shallow_);
  ASSERT_TRUE(attributes);
  EXPECT_TRUE(attributes->GetAttrMap("Request") == nullptr ||
              !attributes->GetAttrMap("Request")->Has("ZqGain"));
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(5s));
  EXPECT_EQ(heard.ids, (std::vector<CDataId>{CDataId(2, 78, 1, 1), CDataId(1, 40, 1, 1)}));
  EXPECT_EQ(heard.vessels, std::vector<unsigned short>{1});
  CDataBlock block;
  ASSERT_TRUE(sensor.GetDataBuffer()->ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, block));
  int index = -1;
  double value = 0.0;
  ASSERT_TRUE(block.LookUp(801, 1, index));
  EXPECT_TRUE(block.GetElement(index)->GetValue(value) && value == 1487.3);
  EXPECT_NE(DataManager::GetDataManager().FindDatablockBuffer(CDataId(2, 40, 1, 1)), nullptr);
}

// What the host heard from the shallow sonar from before its start: the events as "type: text", and
// the status flags of board TX1 (id 36) in each BITE record.
struct HeardFromSonar {
  HeardFromSonar() {
    registration = ZqSonarRecordStore::Instance().Register(
        [this](const CString& key, const CString&, std::uint32_t type, const std::string& record) {
          if (key.Str() != std::string("1.78.1.1")) return;
          const auto bytes = std::as_bytes(std::span(record));
          std::lock_guard lock(mutex);
          if (const auto event = type == 7051 ? ZqMessageRecords::DecodeEvent(bytes) : std::nullopt)
            events.push_back(std::to_string(event->type) + ": " + event->text);
          for (const ZqBiteBoard& board :
               type == 7021 ? ZqMessageRecords::DecodeBite(bytes) : std::vector<ZqBiteBoard>{}) {
            if (board.id == 36) tx1Flags = board.flags;
          }
        });
  }
  bool Heard(const std::string& event) {
    std::lock_guard lock(mutex);
    return std::find(events.begin(), events.end(), event) != events.end();
  }
  std::optional<unsigned> Tx1Flags() {
    std::lock_guard lock(mutex);
    return tx1Flags;
  }

  std::mutex mutex;
  std::vector<std::string> events;
  std::optional<unsigned> tx1Flags;
  ZqSonarRecordStore::Registration registration;  // last: unregistered first
};

// A board fault switched over the API reaches the next BITE record and sends its warning at once;
// cleared, the board is OK again. The configuration's event greets the host. What the call cannot
// take is refused, and a refused call changes nothing.
TEST_F(HostRuntimeTest, ASimulatedSonarsFaultsAreSwitchedOverTheApi) {
  config_.devices[0].link->simulate->biteIntervalSeconds = 0.05;
  config_.devices[0].link->simulate->faults.events = {{0, 6, "Receiver 2 failed"}};
  DeviceConfig unlinked = config_.devices[1];
  unlinked.dataId = CDataId(3, 78, 1, 1);
  unlinked.link.reset();
  config_.devices.push_back(unlinked);
  HeardFromSonar heard;
  StartWithApi();
  const std::string faults = "/api/simulated/1.78.1.1/faults";
  const std::string none = R"({"boards":{},"fieldsOutOfLimits":[],"silent":false})";
  EXPECT_TRUE(WaitFor([&] { return heard.Heard("6: Receiver 2 failed"); }, 10s));
  EXPECT_EQ(client_->Get(faults)->body, none);

  const auto switched =
      client_->Post(faults, R"({"boards": {"TX1": 3}, "event": {"type": 5, "text": "Heading"}})");
  EXPECT_EQ(switched->status, 200);
  EXPECT_EQ(switched->body, R"({"boards":{"TX1":3},"fieldsOutOfLimits":[],"silent":false})");
  EXPECT_TRUE(WaitFor([&] { return heard.Tx1Flags() == 3u; }, 10s));
  EXPECT_TRUE(heard.Heard("2: WARNING: BITE error on board TX1: uplink, downlink"));
  EXPECT_TRUE(heard.Heard("5: Heading"));
  EXPECT_EQ(client_->Post(faults, R"({"boards": {"TX1": 0}})")->body, none);
  EXPECT_TRUE(WaitFor([&] { return heard.Tx1Flags() == 0u; }, 10s));
  EXPECT_TRUE(heard.Heard("1: BITE board TX1 OK"));

  const struct {
    std::string key, body;
    int status;
    std::string error;  // how it begins
  } refused[] = {
      {"9.78.1.1", "{}", 404, R"(no device with key \"9.78.1.1\")"},
      {"3.78.1.1", "{}", 404, R"(device \"3.78.1.1\" is not an in-process simulated sonar)"},
      {"1.78.1.1", "{", 400, "body: not JSON: "},
      {"1.78.1.1", "[]", 400,
       "body: expected an object with any of boards, fieldsOutOfLimits, silent, event, powerCycle"},
      {"1.78.1.1", R"({"silent": true, "silent": false})", 400, R"(body: repeated key \"silent\")"},
      {"1.78.1.1", R"({"powerCycle": 1})", 400, "powerCycle: expected true"},
      {"1.78.1.1", R"({"silent": true, "boards": {"TX9": 1}})", 400, R"(boards.TX9: unknown board \"TX9\")"},
      {"1.78.1.1", R"({"boards": {"TX1": 1}, "fieldsOutOfLimits": ["RX1/Pressure"]})", 400,
       R"(fieldsOutOfLimits[0]: board RX1 has no measured field \"Pressure\")"},
      {"1.78.1.1", R"({"event": {"type": 1, "text": ")" + std::string(1001, 'x') + R"("}})", 400,
       "event.text: expected a text of at most 1000 bytes"},
      {"1.78.1.1", R"({"silent": 1})", 400, "silent: expected true or false"},
  };
  for (const auto& c : refused) {
    const auto answer = client_->Post("/api/simulated/" + c.key + "/faults", c.body);
    EXPECT_EQ(answer->status, c.status) << c.body.substr(0, 80);
    EXPECT_EQ(answer->body.rfind(R"({"error":")" + c.error, 0), 0u) << answer->body;
  }
  EXPECT_EQ(client_->Get("/api/simulated/3.78.1.1/faults")->status, 404);
  EXPECT_EQ(client_->Get(faults)->body, none);
}

TEST_F(HostRuntimeTest, AnUnknownDeviceTypeIsNamed) {
  std::string error;
  config_.devices[1].type = "NoSuchDevice";
  EXPECT_FALSE(Start(error));
  EXPECT_EQ(error, "devices[1].type: no device type \"NoSuchDevice\" is registered");
  EXPECT_EQ(DataManager::GetDataManager().FindDevice(shallow_), nullptr);
}

TEST(ShortestDataTimeOut, IsTheSonarsPingAndGuardAndAMarginForFiniteSettingsOnly) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr double kNaNd = std::numeric_limits<double>::quiet_NaN();
  const struct {
    std::optional<float> range;           // item 699
    std::optional<double> soundVelocity;  // item 401
    double overhead;
    std::chrono::milliseconds expected;  // ping (rounded up) + guard (rounded) + 1 s; 0: no bound
  } cases[] = {
      {11000.0F, 1500.0, 10.0, 14667ms + 1467ms + 1000ms},      // the deep sonar at 11 km: 14.67 s pings
      {3000.0F, std::nullopt, 50.0, 4000ms + 2000ms + 1000ms},  // 1500 m/s without a sound velocity
      {3000.0F, 1e-300, 50.0, 3600s},                           // no endless wait
      {1e30F, 1500.0, 10.0, 3600s},
      {150.0F, 1500.0, 0.0, 200ms + 1000ms},
      {150.0F, kNaNd, -50.0, 200ms + 1000ms},  // unusable sound velocity and overhead: 1500 m/s, none
      {150.0F, -1500.0, kNaNd, 200ms + 1000ms},
      {kNaN, 1500.0, 10.0, 0ms},
      {std::numeric_limits<float>::infinity(), 1500.0, 10.0, 0ms},
      {std::nullopt, 1500.0, 10.0, 0ms},
  };
  for (const auto& c : cases) {
    CDataBlock settings;
    if (c.range) settings.AddF32(699, 2, *c.range);
    if (c.soundVelocity) settings.AddF64(401, 2, *c.soundVelocity);
    EXPECT_EQ(ShortestDataTimeOut(settings, c.overhead), c.expected) << "row " << &c - cases;
  }
  // A device's are its current settings and its "Overhead" attribute; without settings, none.
  Device sonar;
  EXPECT_EQ(ShortestDataTimeOut(sonar), 0ms);
  CDataBlock settings;
  settings.AddF32(699, 2, 3000.0F);
  sonar.GetDataSource().SetDataBlock(settings);
  sonar.GetAttributes().Add("Overhead", COrvDouble(50.0));
  EXPECT_EQ(ShortestDataTimeOut(sonar), 4000ms + 2000ms + 1000ms);
  EXPECT_DOUBLE_EQ(GuardSeconds(sonar), 2.0);
}

// A ping is a trigger (remote control 1107) the host sent, then the settings record (7000) it got
// back; other records make none, and a settings record without a trigger before it only counts as data.
TEST(LinkActivity, MakesAPingOfATriggerAndTheSettingsRecordThatFollows) {
  Device sonar;
  sonar.SetDataId(CDataId(1, 78, 1, 1));
  sonar.GetAttributes().Add("SonarGroupId", COrvInt(3));
  sonar.GetAttributes().Add("Overhead", COrvDouble(50.0));
  CDataBlock settings;
  settings.AddF32(699, 2, 3000.0F);
  sonar.GetDataSource().SetDataBlock(settings);
  std::vector<SeenPing> pings;
  LinkActivity activity(sonar, [&pings](const SeenPing& ping) { pings.push_back(ping); });
  const auto record = [](std::uint32_t type, std::uint32_t remoteControl) {
    std::vector<std::byte> bytes(96);
    le::PutU32(bytes, 32, type);
    le::PutU32(bytes, 64, remoteControl);
    return bytes;
  };
  using Direction = ZqTcpLink::Direction;
  EXPECT_EQ(activity.SecondsSinceSettings(), std::nullopt);
  activity.OnRecord(Direction::kReceived, record(7000, 0));  // no trigger before it
  activity.OnRecord(Direction::kSent, record(7500, 1003));   // a range, not a trigger
  activity.OnRecord(Direction::kReceived, record(7000, 0));
  EXPECT_TRUE(pings.empty());
  const double sent = SteadySeconds();
  activity.OnRecord(Direction::kSent, record(7500, 1107));
  activity.OnRecord(Direction::kReceived, record(7051, 0));  // an event does not release the sonar
  activity.OnRecord(Direction::kReceived, record(7000, 0));
  activity.OnRecord(Direction::kReceived, record(7000, 0));         // one ping per trigger
  activity.OnRecord(Direction::kSent, std::vector<std::byte>(20));  // too short to read: nothing
  ASSERT_EQ(pings.size(), 1U);
  EXPECT_EQ(pings[0].sonar, "1.78.1.1");
  EXPECT_EQ(pings[0].group, 3);
  EXPECT_GE(pings[0].trigger, sent);
  EXPECT_LE(pings[0].trigger, pings[0].release);
  EXPECT_DOUBLE_EQ(pings[0].guard, 2.0);  // 2 x 3000 m at 1500 m/s, times 50 %
  ASSERT_TRUE(activity.SecondsSinceSettings());
  EXPECT_GE(*activity.SecondsSinceSettings(), 0.0);
}

}  // namespace
