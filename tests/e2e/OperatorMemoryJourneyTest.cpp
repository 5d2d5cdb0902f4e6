// The operator's memory over the API, with each sonar a zq-sonar-sim process of its own: the history of
// changes with who made them and what the sonar took, a profile saved, compared and applied, and the
// sonars killed and started again at their factory settings, one restored at once ("auto"), one
// offered ("offer") until applied or dismissed. Then the history and a damaged profile file across a
// restart of the host.
#include <netinet/in.h>
#include <sys/socket.h>

#include "tests/e2e/HostJourney.h"

namespace {

// zq-sonar-sim on a port of its own, which a restart keeps. One left running is killed.
struct SonarProcess {
  pid_t pid = -1;
  int port = 0;

  SonarProcess() {
    // A port the system gives out, free again once the socket closes.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    ::close(probe);
  }
  SonarProcess(const SonarProcess&) = delete;
  SonarProcess& operator=(const SonarProcess&) = delete;
  ~SonarProcess() { Kill(); }

  std::string Address() const { return "127.0.0.1:" + std::to_string(port); }
  // Started afresh: the processing unit at its factory settings.
  bool Start(const std::filesystem::path& output) {
    pid = StartChild(std::string("exec ") + ZQ_SONAR_SIM_BINARY + " --listen " + Address() +
                     " --bite-interval 0 >>" + output.string() + " 2>&1");
    return pid > 0;
  }
  // The power goes: nothing of the processing unit survives.
  void Kill() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
};

class OperatorMemoryJourney : public HostJourney {
 protected:
  static constexpr std::size_t kAuto = 0;   // 1.78.1.1, restored at once
  static constexpr std::size_t kOffer = 1;  // 2.78.1.1, offered

  void StartSonarsAndHost() {
    Json devices = Json::array();
    for (std::size_t i = 0; i < 2; ++i) {
      ASSERT_TRUE(sims_[i].Start(folder_ / "sims.txt"));
      devices.push_back({{"type", "KavoSonarConfigurationControlDevice"},
                         {"name", "Sonar " + std::to_string(i + 1)},
                         {"dataId", Json::array({i + 1, 78, 1, 1})},
                         {"restore", i == kAuto ? "auto" : "offer"},
                         {"link", {{"address", sims_[i].Address()}}}});
    }
    std::ofstream(folder_ / "memory.json")
        << Json{{"vessels", Json::array({{{"number", 1}, {"name", "Survey Vessel"}}})}, {"devices", devices}};
    StartHost("--config " + (folder_ / "memory.json").string());
  }
  // The sonar is killed and started again at its factory settings.
  void PowerCycle(std::size_t sonar) {
    sims_[sonar].Kill();
    ASSERT_TRUE(sims_[sonar].Start(folder_ / "sims.txt"));
  }
  HttpClient::Result Call(const std::string& method, const std::string& path, const std::string& body = "") {
    const HttpClient::Headers ann{{"X-Operator", "Ann"}};
    if (method == "POST") return api_->Post(path, body, "", ann);
    if (method == "DELETE") return api_->Delete(path);
    return api_->Get(path, ann);
  }
  Json Answer(const std::string& method, const std::string& path, int status, const std::string& body = "") {
    const HttpClient::Result answer = Call(method, path, body);
    EXPECT_TRUE(answer && answer->status == status)
        << method << " " << path << ": "
        << (answer ? std::to_string(answer->status) + " " + answer->body : "");
    return answer ? Json::parse(answer->body, nullptr, false) : Json();
  }
  bool Reports(std::size_t sonar, const char* key, double value, std::chrono::milliseconds within = 5s) {
    return WaitFor([&] { return Value(Attributes(sonar), key) == value; }, within);
  }
  // The sonar's newest history entry, once it is one of key from source and confirmed.
  Json NewestConfirmed(std::size_t sonar, const std::string& key, const std::string& source) {
    Json newest;
    WaitFor([&] {
      newest = Get("/api/history?device=" + Key(sonar) + "&limit=1");
      return newest.size() == 1 && newest[0]["key"] == key && newest[0]["source"] == source &&
             !newest[0]["confirmed"].is_null();
    });
    return newest.size() == 1 ? newest[0] : Json();
  }

  SonarProcess sims_[2];
};

TEST_F(OperatorMemoryJourney, HistoryProfilesAndRestoreAfterThePowerWentWithTheSonarsAsProcesses) {
  StartSonarsAndHost();
  ASSERT_TRUE(
      WaitFor([&] { return Get("/api/links").size() == 2 && Get("/api/links")[1]["state"] == "connected"; }));
  ASSERT_TRUE(Reports(kAuto, "ZqRange", 50.0));
  const std::string sonar = "/api/devices/" + Key(kAuto);

  // A range and a power, then a profile of them; a range beyond the limit comes back clamped.
  Answer("POST", sonar + "/request", 202,
         R"([{"ZqRange": {"double": 120.0}}, {"ZqPower": {"double": 210.0}}])");
  // Confirmed: the sonar reported both (the device's attributes show a request at once).
  ASSERT_EQ(NewestConfirmed(kAuto, "ZqPower", "api")["confirmed"], Json::parse(R"({"double": 210.0})"));
  const Json saved = Answer("POST", sonar + "/profiles", 201, R"({"name": "Shelf 120/210"})");
  EXPECT_EQ(Value(saved["settings"], "ZqRange"), 120.0);
  EXPECT_EQ(Value(saved["settings"], "ZqPower"), 210.0);
  EXPECT_EQ(Value(saved["settings"], "ZqPingNumber", "int64"), std::nullopt) << "no key a request cannot set";
  Answer("POST", sonar + "/request", 202, R"([{"ZqRange": {"double": 900.0}}])");
  Json entry = NewestConfirmed(kAuto, "ZqRange", "api");
  entry.erase("time");
  entry.erase("seq");
  EXPECT_EQ(entry, Json::parse(R"json({"device": "1.78.1.1", "key": "ZqRange", "from": {"double": 120.0},
      "to": {"double": 900.0}, "confirmed": {"double": 500.0}, "source": "api", "client": "127.0.0.1 (Ann)"})json"));
  const Json history = Get("/api/history?device=" + Key(kAuto));
  ASSERT_EQ(history.size(), 3U);
  EXPECT_EQ(history[1]["key"], "ZqPower");
  EXPECT_GT(history[0]["seq"], history[1]["seq"]) << "newest first";
  const auto csv = api_->Get("/api/history.csv?limit=1");
  ASSERT_TRUE(csv);
  EXPECT_EQ(csv->body.substr(0, csv->body.find("\r\n")),
            "time,utc,device,key,from,to,confirmed,source,client");
  EXPECT_NE(csv->body.find(",1.78.1.1,ZqRange,120,900,500,api,127.0.0.1 (Ann)\r\n"), std::string::npos)
      << csv->body;

  // The profile against what the sonar has now, applied as one request.
  const std::string profile = sonar + "/profiles/Shelf%20120%2F210";
  EXPECT_EQ(
      Answer("GET", profile + "/diff", 200),
      Json::parse(R"([{"key": "ZqRange", "profile": {"double": 120.0}, "current": {"double": 500.0}}])"));
  EXPECT_EQ(Answer("POST", profile + "/apply", 200), Json::parse(R"({"applied": ["ZqRange"]})"));
  EXPECT_TRUE(Reports(kAuto, "ZqRange", 120.0));
  EXPECT_EQ(NewestConfirmed(kAuto, "ZqRange", "profile")["confirmed"], Json::parse(R"({"double": 120.0})"));
  EXPECT_EQ(Answer("GET", profile + "/diff", 200), Json::array());
  EXPECT_EQ(Answer("GET", sonar + "/profiles", 200)[0]["name"], "Shelf 120/210");

  // What is refused, and why.
  EXPECT_EQ(Answer("GET", "/api/devices/9.78.1.1/profiles", 404)["error"],
            "no sonar device has the key 9.78.1.1");
  Answer("GET", sonar + "/profiles/Nothing", 404);
  Answer("POST", sonar + "/profiles", 400, R"({"name": ""})");
  Answer("POST", sonar + "/profiles", 400, R"({"name": "a\tb"})");
  Answer("POST", sonar + "/profiles", 400, R"({"title": "x"})");
  Answer("POST", sonar + "/restore", 409);
  Answer("GET", "/api/history?limit=0", 400);
  Answer("GET", "/api/history?device=9.78.1.1", 404);

  // The power goes on both sonars; they come back at their factory settings.
  Answer("POST", "/api/devices/" + Key(kOffer) + "/request", 202, R"([{"ZqRange": {"double": 150.0}}])");
  ASSERT_EQ(NewestConfirmed(kOffer, "ZqRange", "api")["confirmed"], Json::parse(R"({"double": 150.0})"));
  const auto connects = [&] { return Get("/api/links")[kAuto]["connects"].get<int>(); };
  const int connectsBefore = connects();
  PowerCycle(kAuto);
  PowerCycle(kOffer);
  // "auto": the remembered settings are back within five seconds of the connection.
  ASSERT_TRUE(WaitFor([&] { return connects() > connectsBefore; }, 10s));
  EXPECT_TRUE(Reports(kAuto, "ZqRange", 120.0) && Reports(kAuto, "ZqPower", 210.0));
  EXPECT_EQ(NewestConfirmed(kAuto, "ZqPower", "restore")["client"], "");
  // "offer": the difference waits for the operator.
  const std::string offered = "/api/devices/" + Key(kOffer) + "/restore";
  ASSERT_TRUE(WaitFor([&] { return Get(offered)["pending"] == true; }, 10s));
  EXPECT_EQ(
      Get(offered)["diff"],
      Json::parse(R"([{"key": "ZqRange", "remembered": {"double": 150.0}, "current": {"double": 50.0}}])"));
  EXPECT_EQ(Answer("GET", "/api/restore", 200)[kOffer]["pending"], true);
  EXPECT_EQ(Answer("POST", offered, 200), Json::parse(R"({"applied": ["ZqRange"]})"));
  EXPECT_EQ(NewestConfirmed(kOffer, "ZqRange", "restore")["confirmed"], Json::parse(R"({"double": 150.0})"));
  EXPECT_EQ(Get(offered)["pending"], false);
  // Dismissed, the factory settings stay and are what is remembered.
  PowerCycle(kOffer);
  ASSERT_TRUE(WaitFor([&] { return Get(offered)["pending"] == true; }, 10s));
  EXPECT_EQ(Answer("DELETE", offered, 200)["pending"], false);
  EXPECT_EQ(Value(Attributes(kOffer), "ZqRange"), 50.0);

  // A sonar that records with the host's logging: starting the logging is its change too.
  Answer("POST", "/api/devices/" + Key(kOffer) + "/request", 202,
         R"([{"SyncDataRecording": {"bool": true}}])");
  ASSERT_TRUE(WaitFor([&] { return Get("/api/history?limit=1")[0]["key"] == "SyncDataRecording"; }));
  Answer("POST", "/api/logging/start", 200);
  entry = NewestConfirmed(kOffer, "ZqDataRecording", "logging");
  EXPECT_EQ(entry["to"], Json::parse(R"({"int": 1})"));
  EXPECT_EQ(entry["confirmed"], Json::parse(R"({"int": 1})"));
  EXPECT_EQ(entry["client"], "127.0.0.1 (Ann)");
  Answer("POST", "/api/logging/stop", 200);

  // The history outlives the host; a damaged profile file is set aside and reported.
  StopHost();
  std::ofstream(folder_ / "state" / ("profiles-" + Key(kAuto) + ".json")) << "{\"profiles\": [";
  StartHost("--config " + (folder_ / "memory.json").string());
  EXPECT_NE(output_.find("profiles-1.78.1.1.json is damaged"), std::string::npos) << output_;
  EXPECT_EQ(Answer("GET", sonar + "/profiles", 200), Json::array());
  EXPECT_GE(Get("/api/history?device=" + Key(kAuto)).size(), 5U);
}

}  // namespace
