// The JSON API against a running host on the embedded default, its deep sonar on a simulated sonar of
// the test's: every route's answers and refusals in one table, the event stream with the links'
// reports, and the token.
#include "host/HttpApi.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "host/HostRuntime.h"
#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/DataSubscription.h"
#include "platform/tavrin/SubscriptionManager.h"
#include "sim/SimServer.h"
#include "tests/host/HttpTestClient.h"
#include "tests/host/LoadedPlugin.h"
#include "tests/link/Waiting.h"

namespace {

class HttpApiTest : public ::testing::Test {
 protected:
  HttpApiTest() {
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "web" / "js");
    std::ofstream(root_ / "web" / "index.html") << "<html>survey</html>";
    std::ofstream(root_ / "web" / "js" / "app.js") << "start();";
    std::ofstream(root_ / "secret.txt") << "not for the web";
    std::filesystem::create_symlink(root_ / "secret.txt", root_ / "web" / "link.txt");
  }
  ~HttpApiTest() override {
    api_.reset();
    runtime_.reset();
    std::filesystem::remove_all(root_);
  }

  void Start(const std::string& token = "") {
    HostConfig config;
    std::string error;
    ASSERT_TRUE(ParseHostConfig(EmbeddedDefaultConfig(), config, error)) << error;
    SonarLinkConfig& deep = *config.devices[1].link;
    SimServerConfig simulated;
    simulated.model = deep.simulate->model;
    simulated.heads = deep.heads;
    sonar_ = std::make_unique<SimServer>(simulated);
    ASSERT_TRUE(sonar_->Start(error)) << error;
    deep = SonarLinkConfig{sonar_->Address(), deep.heads, std::nullopt};
    runtime_ = HostRuntime::Start(config, HostRuntimeOptions{}, LoadedPlugin::MakeDevice, log_, error);
    ASSERT_TRUE(runtime_) << error;
    HttpApiOptions options;
    options.address = "127.0.0.1:0";
    options.token = token;
    options.frontEnd = root_ / "web";
    api_ = HttpApi::Start(*runtime_, options, error);
    ASSERT_TRUE(api_) << error;
    port_ = std::stoi(api_->Address().substr(api_->Address().rfind(':') + 1));
    client_ = std::make_unique<HttpTestClient>("127.0.0.1", port_);
  }

  LoadedPlugin plugin_;  // first, so that it is unloaded after every device it made
  const std::filesystem::path root_ =
      std::filesystem::temp_directory_path() / ("http-api-" + std::to_string(::getpid()));
  std::ostringstream log_;
  std::unique_ptr<SimServer> sonar_;
  std::unique_ptr<HostRuntime> runtime_;  // declared before the API, so that it stops after it
  std::unique_ptr<HttpApi> api_;
  std::unique_ptr<HttpTestClient> client_;
  int port_ = 0;
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

TEST_F(HttpApiTest, EachRouteAnswersAsDocumentedAndRefusesWhatItCannotTake) {
  Start();
  Heard heard;
  SubscriptionImpl sonarSelection(NotificationKind::kNamed);
  SubscriptionImpl vesselSelection(NotificationKind::kActiveVessel);
  DataSubscription sensor;
  for (SubscriptionImpl* subscription :
       {&sonarSelection, &vesselSelection, static_cast<SubscriptionImpl*>(&sensor)}) {
    subscription->SetSubscriber(&heard, false);
  }
  ASSERT_TRUE(sonarSelection.Subscribe(GeneralSubKeys::ADT_SELECTED_SONAR_CHANGE));
  ASSERT_TRUE(vesselSelection.Subscribe(sel_change::ACTIVE_VESSEL));
  ASSERT_TRUE(sensor.Subscribe(CDataId(1, 40, 1, 1)));

  const std::string request = "/api/devices/1.78.1.1/request", sonar = "/api/selection/sonar",
                    vessel = "/api/selection/vessel", velocity = "/api/sensors/sound-velocity";
  const std::string noDevice = R"({"error":"no device with key \")",
                    badBody = R"({"error":"body: expected {\")",
                    outside = R"({"error":"path leaves the front-end folder)";
  const struct {
    std::string method;
    std::string path;
    std::string body;
    int status;
    std::string answer;  // the whole answer, or how it begins
  } calls[] = {
      {"GET", "/api/devices", "", 200,
       R"([{"key":"1.78.1.1","name":"Shallow sonar","type":"KavoSonarConfigurationControlDevice","vessel":1,)"
       R"("vesselName":"Survey Vessel"},{"key":"2.78.1.1","name":"Deep sonar",)"},
      {"GET", "/api/devices/9.78.1.1/attributes", "", 404, noDevice + R"(9.78.1.1\""})"},
      {"GET", "/api/devices/1.78.1/attributes", "", 404, noDevice + R"(1.78.1\""})"},
      {"GET", "/api/devices/%C3%A9/attributes", "", 404, noDevice + "\xC3\xA9" + R"(\""})"},
      {"GET", "/api/devices/1.78.1.1/attributes", "", 200, R"([{")"},
      {"POST", "/api/devices/9.78.1.1/request", "[]", 404, noDevice + R"(9.78.1.1\""})"},
      {"POST", request, R"([{"ZqRange": {"double": 1)", 400, R"({"error":"request body: )"},
      {"POST", request, R"([{"ZqRange": {"float": 1}}])", 400,
       R"({"error":"request body: $[0].ZqRange: unknown value type \"float\"")"},
      {"POST", request, "[{\"ZqRange\": {\"text\": \"\xff\"}}]", 400, R"({"error":"request body: )"},
      {"POST", request, std::string(HttpLimits{}.largestBody + 1, ' '), 413,
       R"({"error":"request body over 1048576 bytes)"},
      {"POST", request, R"([{"ZqGain": {"double": 30}}, {"ZqRnage": {"double": 30}}, {"Other": {"int": 1}}])",
       400, R"({"error":"request body: unknown request key \"ZqRnage\""})"},
      {"POST", request, R"([{"Request": {"map": []}}])", 400,
       R"({"error":"request body: unknown request key \"Request\""})"},
      {"POST", request,
       R"([{"ZqGain": {"double": 30}}, {"ZqPower": {"double": 1}}, {"ZqGain": {"double": 31}}])", 400,
       R"({"error":"request body: repeated request key \"ZqGain\""})"},
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

  // Nothing of a refused request was stored; the selections and the reading reached their followers.
  const auto attributes = runtime_->Attributes(CDataId(1, 78, 1, 1));
  ASSERT_TRUE(attributes);
  EXPECT_TRUE(attributes->GetAttrMap("Request") == nullptr ||
              !attributes->GetAttrMap("Request")->Has("ZqGain"));
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(std::chrono::seconds(5)));
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

TEST_F(HttpApiTest, TheStreamCarriesAttributeChangesAndEachLossAndConnectionOfALinkAsItHappens) {
  Start();
  std::mutex mutex;
  std::string received;
  std::atomic<bool> done{false};
  const auto seen = [&](const std::string& text) {
    return WaitFor([&] {
      std::lock_guard lock(mutex);
      return received.find(text) != std::string::npos;
    });
  };
  std::thread follower([&] {
    HttpTestClient stream("127.0.0.1", port_);
    stream.Stream("/api/stream", [&](std::string_view piece) {
      std::lock_guard lock(mutex);
      received.append(piece);
      return !done;
    });
  });
  // Every settings record of the sonars changes their attributes: once one shows, the stream is followed.
  ASSERT_TRUE(seen(R"(data: {"type":"attributes","key":")"));
  const auto posted = client_->Post("/api/devices/1.78.1.1/request", R"([{"ZqRange": {"double": 120.0}}])");
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->body, R"({"applied":"1.78.1.1"})");
  EXPECT_TRUE(seen(R"({"ZqRange":{"double":120.0}})"));

  const std::string link = R"(data: {"type":"link","link":{"index":1,"device":"Deep sonar","address":")" +
                           sonar_->Address() + R"(","simulated":false,"state":)";
  sonar_->Unplug();
  EXPECT_TRUE(seen(link + R"("connecting","bufferStatus":1,)"));
  std::string error;
  ASSERT_TRUE(sonar_->PlugIn(error)) << error;
  EXPECT_TRUE(seen(link + R"("connected","bufferStatus":0,)"));
  done = true;
  api_->Stop();  // ends the stream the follower may still hold
  follower.join();
  EXPECT_FALSE(client_->Get("/api/devices"));  // the API has stopped
}

TEST_F(HttpApiTest, WithATokenEveryCallMustCarryIt) {
  Start("s3cret");
  // The scheme is read in any case; the token must match exactly.
  for (const char* wrong : {"", "Bearer S3CRET", "Bearer s3cre", "Basic s3cret", "s3cret"}) {
    const auto response = client_->Get("/api/links", {{"Authorization", wrong}});
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 401) << wrong;
  }
  const auto links = client_->Get("/api/links", {{"Authorization", "bearer s3cret"}});
  ASSERT_TRUE(links);
  EXPECT_EQ(links->status, 200);
  EXPECT_EQ(links->body.rfind(R"([{"index":0,"device":"Shallow sonar",)", 0), 0u) << links->body;

  std::string error;
  HttpApiOptions open;
  open.address = "0.0.0.0:0";
  EXPECT_FALSE(HttpApi::Start(*runtime_, open, error));
  EXPECT_EQ(error, "--http 0.0.0.0:0 is reachable from other machines: give --token TOKEN");
}

}  // namespace
