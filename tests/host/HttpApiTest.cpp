// The JSON API against a running host on the embedded default: listing, reading and changing a
// sonar, the event stream, and the refusals a client gets for bad calls.
#include "host/HttpApi.h"

#include <gtest/gtest.h>
#include "tests/host/HttpTestClient.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "host/HostRuntime.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/DataSubscription.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "platform/tavrin/VesselManager.h"
#include "tests/link/Waiting.h"

namespace {

using Json = nlohmann::json;

class HttpApiTest : public ::testing::Test {
 protected:
  void Start(const std::string& token = "", const std::filesystem::path& frontEnd = {}) {
    HostConfig config;
    std::string error;
    ASSERT_TRUE(ParseHostConfig(EmbeddedDefaultConfig(), config, error)) << error;
    runtime_ = HostRuntime::Start(
        config, HostRuntimeOptions{},
        [](const std::string&) { return std::make_unique<KavoSonarConfigurationControlDevice>(); }, log_,
        error);
    ASSERT_TRUE(runtime_) << error;
    HttpApiOptions options;
    options.address = "127.0.0.1:0";
    options.token = token;
    options.frontEnd = frontEnd;
    api_ = HttpApi::Start(*runtime_, options, error);
    ASSERT_TRUE(api_) << error;
    const std::string address = api_->Address();
    port_ = std::stoi(address.substr(address.rfind(':') + 1));
    client_ = std::make_unique<HttpTestClient>("127.0.0.1", port_);
  }
  void TearDown() override {
    api_.reset();
    runtime_.reset();
  }

  std::ostringstream log_;
  std::unique_ptr<HostRuntime> runtime_;
  std::unique_ptr<HttpApi> api_;
  std::unique_ptr<HttpTestClient> client_;
  int port_ = 0;
};

TEST_F(HttpApiTest, ARangeRequestReachesTheSonarAndComesBackInAttributesAndEvents) {
  Start();
  const auto devices = client_->Get("/api/devices");
  ASSERT_TRUE(devices);
  EXPECT_EQ(
      Json::parse(devices->body),
      Json::parse(
          R"([{"key": "1.78.1.1", "name": "Shallow sonar", "type": "KavoSonarConfigurationControlDevice",
                             "vessel": 1, "vesselName": "Survey Vessel"},
                            {"key": "2.78.1.1", "name": "Deep sonar", "type": "KavoSonarConfigurationControlDevice",
                             "vessel": 1, "vesselName": "Survey Vessel"}])"));

  // Follow the event stream until an attributes event of the shallow sonar shows 120 m.
  std::atomic<bool> seen{false};
  std::thread follower([&] {
    HttpTestClient stream("127.0.0.1", port_);
    std::string received;
    stream.Stream("/api/stream", [&](std::string_view piece) {
      received.append(piece);
      if (received.find(R"("key":"1.78.1.1")") != std::string::npos &&
          received.find(R"({"ZqRange":{"double":120.0}})") != std::string::npos) {
        seen = true;
      }
      return !seen;
    });
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto posted = client_->Post("/api/devices/1.78.1.1/request", R"([{"ZqRange": {"double": 120.0}}])",
                                    "application/json");
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->status, 202);
  EXPECT_TRUE(WaitFor([&] { return seen.load(); }));
  api_->Stop();  // ends the stream the follower may still hold
  follower.join();

  const auto attributes = client_->Get("/api/devices/1.78.1.1/attributes");
  EXPECT_FALSE(attributes);  // the API has stopped
}

TEST_F(HttpApiTest, BadCallsGetAnErrorThatNamesTheProblem) {
  Start();
  const struct {
    const char* method;
    const char* path;
    std::string body;
    int status;
    const char* error;
  } cases[] = {
      {"GET", "/api/devices/9.78.1.1/attributes", "", 404, "no device with key \"9.78.1.1\""},
      {"GET", "/api/devices/1.78.1/attributes", "", 404, "no device with key \"1.78.1\""},
      {"POST", "/api/devices/1.78.1.1/request", "[{\"ZqRange\": {\"double\": 1", 400, "request body: "},
      {"POST", "/api/devices/1.78.1.1/request", R"([{"ZqRange": {"float": 1}}])", 400,
       "request body: $[0].ZqRange: unknown value type \"float\""},
      {"POST", "/api/devices/1.78.1.1/request", std::string(HttpLimits{}.largestBody + 1, ' '), 413,
       "request body over 1048576 bytes"},
      {"GET", "/api/nothing", "", 404, "no such route: GET /api/nothing"},
      {"DELETE", "/api/devices", "", 404, "no such route: DELETE /api/devices"},
      {"GET", "/api/devices/%C3%A9/attributes", "", 404, "no device with key \"\u00e9\""},
      {"POST", "/%ff", "", 400, "path is not valid UTF-8 once percent-decoded"},
      {"DELETE", "/%ff", "", 400, "path is not valid UTF-8 once percent-decoded"},
      {"POST", "/api/devices/1.78.1.1/request", "[{\"ZqRange\": {\"text\": \"\xff\"}}]", 400,
       "request body: "},
  };
  for (const auto& c : cases) {
    const std::string method = c.method;
    const auto response = method == "GET"    ? client_->Get(c.path)
                          : method == "POST" ? client_->Post(c.path, c.body, "application/json")
                                             : client_->Delete(c.path);
    ASSERT_TRUE(response) << c.path;
    EXPECT_EQ(response->status, c.status) << c.path;
    const Json body = Json::parse(response->body, nullptr, false);
    ASSERT_TRUE(body.is_object()) << response->body;
    EXPECT_EQ(body.value("error", "").rfind(c.error, 0), 0u) << body.dump();
  }
}

TEST_F(HttpApiTest, WithATokenEveryCallMustCarryIt) {
  Start("s3cret");
  auto refused = client_->Get("/api/links");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 401);
  // The scheme is read in any case; the token must match exactly.
  for (const char* wrong : {"Bearer S3CRET", "Bearer s3cre", "Basic s3cret", "s3cret"}) {
    const auto response = client_->Get("/api/links", {{"Authorization", wrong}});
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 401) << wrong;
  }
  const auto lowerCase = client_->Get("/api/links", {{"Authorization", "bearer s3cret"}});
  ASSERT_TRUE(lowerCase);
  EXPECT_EQ(lowerCase->status, 200);
  client_->set_bearer_token_auth("s3cret");
  const auto links = client_->Get("/api/links");
  ASSERT_TRUE(links);
  EXPECT_EQ(links->status, 200);
  const Json body = Json::parse(links->body);
  ASSERT_EQ(body.size(), 2u);
  EXPECT_EQ(body[1]["device"], "Deep sonar");

  std::string error;
  HttpApiOptions open;
  open.address = "0.0.0.0:0";
  EXPECT_FALSE(HttpApi::Start(*runtime_, open, error));
  EXPECT_EQ(error, "--http 0.0.0.0:0 is reachable from other machines: give --token TOKEN");
}

// Keeps every notification of one subscription, for the test thread to read once delivery is idle.
struct Heard : Subscriber {
  void Notify(const NotificationInfo* info) override {
    if (const auto* about = dynamic_cast<const DataId_NI*>(info)) ids.push_back(about->GetDataId());
    if (const auto* vessel = dynamic_cast<const NFDataT<unsigned short>*>(info))
      vessels.push_back(vessel->GetData());
  }
  std::vector<CDataId> ids;
  std::vector<unsigned short> vessels;
};

TEST_F(HttpApiTest, SelectingASonarOrAVesselNotifiesTheirFollowersAndRefusesWhatDoesNotExist) {
  Start();
  Heard sonars;
  Heard vessels;
  SubscriptionImpl sonarSelection(NotificationKind::kNamed);
  SubscriptionImpl vesselSelection(NotificationKind::kActiveVessel);
  sonarSelection.SetSubscriber(&sonars, false);
  vesselSelection.SetSubscriber(&vessels, false);
  ASSERT_TRUE(sonarSelection.Subscribe(GeneralSubKeys::ADT_SELECTED_SONAR_CHANGE));
  ASSERT_TRUE(vesselSelection.Subscribe(sel_change::ACTIVE_VESSEL));

  auto selected = client_->Post("/api/selection/sonar", R"({"id": [2, 78, 1, 1]})", "application/json");
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->status, 200);
  EXPECT_EQ(Json::parse(selected->body), Json::parse(R"({"selectedSonar": "2.78.1.1"})"));
  selected = client_->Post("/api/selection/vessel", R"({"vessel": 1})", "application/json");
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->status, 200);
  EXPECT_EQ(VesselManager::GetVesselManager().GetActiveVessel(), 1);

  const struct {
    const char* path;
    const char* body;
    int status;
    const char* error;
  } refused[] = {
      {"/api/selection/sonar", R"({"id": [9, 78, 1, 1]})", 404, "no device with key \"9.78.1.1\""},
      {"/api/selection/sonar", R"({"id": [1, 78, 1]})", 400, "body: expected {\"id\": [a, b, c, d]}"},
      {"/api/selection/sonar", R"({"id": [1, 78, 1, 65536]})", 400, "body: expected {\"id\": [a, b, c, d]}"},
      {"/api/selection/sonar", R"({"id": [1, 78, 1.5, 1]})", 400, "body: expected {\"id\": [a, b, c, d]}"},
      {"/api/selection/sonar", R"([1, 78, 1, 1])", 400, "body: expected {\"id\": [a, b, c, d]}"},
      {"/api/selection/vessel", R"({"vessel": 7})", 404, "no vessel 7"},
      {"/api/selection/vessel", R"({"vessel": "1"})", 400, "body: expected {\"vessel\": n}"},
      {"/api/selection/vessel", R"({"vessel": -1})", 400, "body: expected {\"vessel\": n}"},
      {"/api/selection/vessel", "{", 400, "body: expected {\"vessel\": n}"},
  };
  for (const auto& c : refused) {
    const auto response = client_->Post(c.path, c.body, "application/json");
    ASSERT_TRUE(response) << c.body;
    EXPECT_EQ(response->status, c.status) << c.body;
    EXPECT_EQ(Json::parse(response->body).value("error", "").rfind(c.error, 0), 0u) << response->body;
  }
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(std::chrono::seconds(5)));
  EXPECT_EQ(sonars.ids, std::vector<CDataId>{CDataId(2, 78, 1, 1)});
  EXPECT_EQ(vessels.vessels, std::vector<unsigned short>{1});
}

TEST_F(HttpApiTest, ASoundVelocityReadingReachesTheSensorDataOfEverySonar) {
  Start();
  Heard shallow;
  DataSubscription sensor;
  sensor.SetSubscriber(&shallow, false);
  ASSERT_TRUE(sensor.Subscribe(CDataId(1, 40, 1, 1)));

  const auto stored =
      client_->Post("/api/sensors/sound-velocity", R"({"value": 1487.3})", "application/json");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->status, 200);
  EXPECT_EQ(Json::parse(stored->body), Json::parse(R"({"soundVelocity": 1487.3, "sonars": 2})"));
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(std::chrono::seconds(5)));
  EXPECT_EQ(shallow.ids, std::vector<CDataId>{CDataId(1, 40, 1, 1)});
  CDataBlock block;
  ASSERT_NE(sensor.GetDataBuffer(), nullptr);
  ASSERT_TRUE(sensor.GetDataBuffer()->ReadDataBlock(BaseDataSource::kCurrentSettingsBlock, block));
  int index = -1;
  ASSERT_TRUE(block.LookUp(801, 1, index));
  double value = 0.0;
  EXPECT_TRUE(block.GetElement(index)->GetValue(value));
  EXPECT_EQ(value, 1487.3);
  EXPECT_NE(DataManager::GetDataManager().FindDatablockBuffer(CDataId(2, 40, 1, 1)), nullptr);

  for (const char* body : {R"({"value": "fast"})", R"({"value": 5000})",
                           R"({"value": 1500, "vessel": "one"})", R"({"speed": 1500})"}) {
    const auto response = client_->Post("/api/sensors/sound-velocity", body, "application/json");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 400) << body;
    EXPECT_EQ(Json::parse(response->body).value("error", "").rfind("body: expected {\"value\": m/s}", 0), 0u)
        << response->body;
  }
  const auto noSonar =
      client_->Post("/api/sensors/sound-velocity", R"({"value": 1500, "vessel": 9})", "application/json");
  ASSERT_TRUE(noSonar);
  EXPECT_EQ(noSonar->status, 404);
  EXPECT_EQ(Json::parse(noSonar->body)["error"], "no sonar on vessel 9");
}

TEST_F(HttpApiTest, FrontEndFilesComeOnlyFromTheFrontEndFolder) {
  const auto root = std::filesystem::temp_directory_path() / ("front-end-" + std::to_string(::getpid()));
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "web" / "js");
  std::ofstream(root / "web" / "index.html") << "<html>survey</html>";
  std::ofstream(root / "web" / "js" / "app.js") << "start();";
  std::ofstream(root / "secret.txt") << "not for the web";
  std::filesystem::create_symlink(root / "secret.txt", root / "web" / "link.txt");
  Start("", root / "web");

  const auto index = client_->Get("/");
  ASSERT_TRUE(index);
  EXPECT_EQ(index->status, 200);
  EXPECT_EQ(index->body, "<html>survey</html>");
  EXPECT_EQ(index->get_header_value("Content-Type"), "text/html; charset=utf-8");
  const auto script = client_->Get("/js/app.js");
  ASSERT_TRUE(script);
  EXPECT_EQ(script->body, "start();");
  EXPECT_EQ(script->get_header_value("Content-Type"), "text/javascript; charset=utf-8");

  for (const char* path : {"/../secret.txt", "/js/../../secret.txt", "/%2e%2e/secret.txt", "/link.txt"}) {
    const auto response = client_->Get(path);
    ASSERT_TRUE(response) << path;
    EXPECT_EQ(response->status, 403) << path;
    EXPECT_EQ(Json::parse(response->body).value("error", "").rfind("path leaves the front-end folder", 0), 0u)
        << response->body;
    EXPECT_EQ(response->body.find("not for the web"), std::string::npos);
  }
  const auto missing = client_->Get("/missing.html");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
  EXPECT_EQ(Json::parse(missing->body)["error"], "no front-end file /missing.html");
  std::filesystem::remove_all(root);
}

}  // namespace
