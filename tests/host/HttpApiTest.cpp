// The JSON API against a running host on the embedded default: listing, reading and changing a
// sonar, the event stream, and the refusals a client gets for bad calls.
#include "HttpApi.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "HostRuntime.h"
#include "control/KavoSonarConfigurationControlDevice.h"
#include "link/Waiting.h"

namespace {

using Json = nlohmann::json;

class HttpApiTest : public ::testing::Test {
 protected:
  void Start(const std::string& token = "") {
    HostConfig config;
    std::string error;
    ASSERT_TRUE(ParseHostConfig(EmbeddedDefaultConfig(), config, error)) << error;
    runtime_ = HostRuntime::Start(
        config, HostRuntimeOptions{},
        [](const std::string&) { return std::make_unique<KavoSonarConfigurationControlDevice>(); }, log_,
        error);
    ASSERT_TRUE(runtime_) << error;
    api_ = HttpApi::Start(*runtime_, HttpApiOptions{"127.0.0.1:0", token}, error);
    ASSERT_TRUE(api_) << error;
    const std::string address = api_->Address();
    port_ = std::stoi(address.substr(address.rfind(':') + 1));
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
  }
  void TearDown() override {
    api_.reset();
    runtime_.reset();
  }

  std::ostringstream log_;
  std::unique_ptr<HostRuntime> runtime_;
  std::unique_ptr<HttpApi> api_;
  std::unique_ptr<httplib::Client> client_;
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
    httplib::Client stream("127.0.0.1", port_);
    std::string received;
    stream.Get("/api/stream", [&](const char* data, std::size_t length) {
      received.append(data, length);
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
      {"POST", "/api/devices/1.78.1.1/request", std::string(HttpApi::kLargestBody + 1, ' '), 413,
       "request body over 1048576 bytes"},
      {"GET", "/api/nothing", "", 404, "no such route: GET /api/nothing"},
  };
  for (const auto& c : cases) {
    const auto response = std::string(c.method) == "GET" ? client_->Get(c.path)
                                                         : client_->Post(c.path, c.body, "application/json");
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
  client_->set_bearer_token_auth("s3cret");
  const auto links = client_->Get("/api/links");
  ASSERT_TRUE(links);
  EXPECT_EQ(links->status, 200);
  const Json body = Json::parse(links->body);
  ASSERT_EQ(body.size(), 2u);
  EXPECT_EQ(body[1]["device"], "Deep sonar");

  std::string error;
  EXPECT_FALSE(HttpApi::Start(*runtime_, HttpApiOptions{"0.0.0.0:0", ""}, error));
  EXPECT_EQ(error, "--http 0.0.0.0:0 is reachable from other machines: give --token TOKEN");
}

}  // namespace
