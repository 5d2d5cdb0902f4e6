// The host killed and started again on its state folder, a damaged state file set aside, the embedded
// default, and a host that cannot start saying why with exit code 2.
#include <set>
#include <thread>

#include "tests/e2e/HostJourney.h"

namespace {

TEST_F(HostJourney, SettingsAppliedASecondBeforeAKillAreLoadedAtTheNextStartAndADamagedFileIsSetAside) {
  StartSonars({"shallow", "deep"}, false);
  StartHost();
  ASSERT_TRUE(LinksConnected());
  // Away from the factory settings (shallow 50 m, gain 40 dB; deep 200 m, 220 dB), within the limits.
  const Json requests[] = {
      Json::parse(R"([{"ZqRange": {"double": 120.0}}, {"ZqGain": {"double": 55.0}}])"),
      Json::parse(R"([{"ZqRange": {"double": 300.0}}, {"ZqPower": {"double": 200.0}}])")};
  const auto shows = [](const Json& map, const Json& request) {
    return std::all_of(request.begin(), request.end(), [&](const Json& entry) {
      return Value(map, entry.begin().key()) == entry.begin().value()["double"].get<double>();
    });
  };
  for (std::size_t s = 0; s < 2; ++s) {
    const auto posted = api_->Post("/api/devices/" + Key(s) + "/request", requests[s].dump());
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 202) << posted->body;
  }
  // Applied once a ping after the first sight of them still shows them: until then a settings record
  // the sonar sent before taking them may still bring back the old ones.
  for (std::size_t s = 0; s < 2; ++s) {
    std::optional<double> firstPing;
    EXPECT_TRUE(WaitFor(
        [&] {
          const Json map = Attributes(s);
          const auto ping = Value(map, "ZqPingNumber", "int64");
          if (!shows(map, requests[s]) || !ping) return false;
          if (!firstPing) firstPing = ping;
          return *ping > *firstPing;
        },
        10s))
        << Key(s);
  }
  std::this_thread::sleep_for(1500ms);  // the state files are rewritten within a second of a change
  EXPECT_EQ(host_.Wait(SIGKILL), -1);

  // Each device's file, and the settings remembered of each sonar, is whole; a write the kill cut short
  // may leave a .tmp, which no start reads. (The change history is a log of lines.)
  const auto state = folder_ / "state";
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(state)) {
    if (entry.path().extension() == ".tmp" || entry.path().extension() == ".jsonl") continue;
    files.push_back(entry.path().filename().string());
    EXPECT_TRUE(Json::parse(ReadText(entry.path()), nullptr, false).is_array()) << files.back();
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"1.78.1.1.json", "2.78.1.1.json", "remembered-1.78.1.1.json",
                                             "remembered-2.78.1.1.json"}));

  // The deep sonar's file is damaged; and with the cables pulled, the next start shows only what it read.
  const std::string damaged = R"([{"ZqRange": {"double": 3)";
  std::ofstream(state / "2.78.1.1.json") << damaged;
  for (auto& sonar : sonars_) sonar->Unplug();
  StartHost();
  EXPECT_NE(output_.find(state.string() + "/2.78.1.1.json is damaged"), std::string::npos) << output_;
  EXPECT_TRUE(shows(Attributes(0), requests[0])) << Attributes(0).dump();
  EXPECT_EQ(Value(Attributes(1), "ZqRange"), std::nullopt) << Attributes(1).dump();
  std::vector<std::string> aside;
  for (const auto& entry : std::filesystem::directory_iterator(state)) {
    if (entry.path().filename().string().starts_with("2.78.1.1.json.damaged-"))
      aside.push_back(ReadText(entry.path()));
  }
  EXPECT_EQ(aside, std::vector<std::string>{damaged});
  StopHost();
}

TEST_F(HostJourney, TheEmbeddedDefaultsSonarsTakeTurnsAndAHostThatCannotStartSaysWhyWithExitCode2) {
  // Without a configuration: two simulated sonars in the host, one sonar group, their pings logged.
  StartHost("--ping-log " + (folder_ / "pings.jsonl").string());
  EXPECT_NE(output_.find("Survey Vessel: simulated sonar at 127.0.0.1:"), std::string::npos) << output_;
  EXPECT_NE(output_.find("Deep sonar: simulated sonar at 127.0.0.1:"), std::string::npos) << output_;
  EXPECT_TRUE(WaitFor([&] {
    std::set<std::string> triggered;
    for (const LoggedPing& ping : Pings()) {
      if (ping.triggered) triggered.insert(ping.sonar);
    }
    return triggered == std::set<std::string>{"Survey Vessel", "Deep sonar"};
  }));
  // The two models, each at its factory range, in one sonar group.
  EXPECT_EQ(Value(Attributes(0), "ZqRange"), 50.0);
  EXPECT_EQ(Value(Attributes(1), "ZqRange"), 200.0);
  for (std::size_t s = 0; s < 2; ++s) EXPECT_EQ(Value(Attributes(s), "SonarGroupId", "int"), 1.0) << Key(s);
  const auto state = (folder_ / "state").string();
  const auto other = (folder_ / "other").string();
  std::ofstream(folder_ / "bad.json") << R"({"vessels": [{"number": 1, "name": "V"}],
                                       "devices": [{"type": "T", "name": "N", "dataId": [1, 78, 1, 2]}]})";
  const struct {
    std::string arguments;
    std::string line;
  } refusals[] = {
      {HostArguments(),
       "state folder " + state + " is in use by another host (process " + std::to_string(host_.pid) + ")\n"},
      {"--state " + other + " --http " + address_,
       "tavrin-host: --http " + address_ + ": cannot listen there: Address already in use\n"},
      {"--state " + other + " --http 127.0.0.1:0 --plugin /no/such/plugin.so",
       "cannot load plug-in /no/such/plugin.so"},
      {"--state " + other + " --config " + (folder_ / "bad.json").string(),
       "tavrin-host: " + (folder_ / "bad.json").string() +
           ": devices[0].dataId: names vessel 2, which is not listed\n"},
  };
  int n = 0;
  for (const auto& refusal : refusals) {
    HostProcess second;
    ASSERT_TRUE(second.Start(refusal.arguments, folder_ / ("refused-" + std::to_string(++n) + ".txt")));
    const std::string printed = second.ReadUntil(refusal.line);
    EXPECT_EQ(second.Wait(), 2) << refusal.arguments;
    EXPECT_NE(printed.find(refusal.line), std::string::npos) << printed;
  }
  StopHost();
}

}  // namespace
