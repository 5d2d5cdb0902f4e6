// A change requested through the API, to the sonar and back, the sonar's clamping warning on the event
// stream; then the sonar goes quiet and comes back. (The record's bytes: the control-device tests.)
#include <mutex>
#include <thread>

#include "sim/SimHead.h"
#include "tests/e2e/HostJourney.h"

namespace {

// The first "ZqSonarSettings" entry's range limit `bound` ("ZqMin" or "ZqMax"): the setting set in use.
std::optional<double> RangeLimit(const Json& map, const char* bound) {
  for (const Json& entry : map.is_array() ? map : Json::array()) {
    if (!entry.contains("ZqSonarSettings")) continue;
    for (const Json& setting : entry["ZqSonarSettings"]["map"]) {
      if (setting.contains("ZqRange")) return Value(setting["ZqRange"]["map"], bound);
    }
  }
  return std::nullopt;
}

TEST_F(HostJourney, ARangeBeyondTheSonarsLimitIsClampedAndTheWarningAndTheClampedRangeAreStreamed) {
  StartSonars({"shallow"}, false);
  StartHost();
  // The welcome shows how to pass the token, never the token itself.
  EXPECT_NE(output_.find("curl -H \"Authorization: Bearer $TOKEN\""), std::string::npos) << output_;
  EXPECT_EQ(output_.find(kToken), std::string::npos) << output_;
  ASSERT_TRUE(LinksConnected());
  // The sonar introduces itself: its limits (configuration) and its factory range (settings).
  ASSERT_TRUE(WaitFor([&] { return RangeLimit(Attributes(0), "ZqMax") == 500.0; }));
  EXPECT_EQ(RangeLimit(Attributes(0), "ZqMin"), 1.0);
  EXPECT_EQ(Value(Attributes(0), "ZqRange"), 50.0);

  std::mutex mutex;
  bool streaming = false;
  bool warned = false;
  bool clamped = false;
  std::thread follower([&] {
    std::string text;
    Client()->Stream("/api/stream", [&](std::string_view piece) {
      text.append(piece);
      std::lock_guard lock(mutex);
      for (std::size_t end; (end = text.find("\n\n")) != std::string::npos; text.erase(0, end + 2)) {
        if (text.rfind("data: ", 0) != 0) continue;
        const Json event = Json::parse(text.substr(6, end - 6));
        streaming = true;
        Json unnumbered = event;
        unnumbered.erase("number");
        warned |= unnumbered == Json{{"type", "sonarEvent"},
                                     {"key", Key(0)},
                                     {"sonar", "Sonar 1"},
                                     {"eventType", 2},
                                     {"text", "Range 900.0 clamped to 500.0"}};
        clamped |= event.value("type", "") == "attributes" && event.value("key", "") == Key(0) &&
                   Value(event["attributes"], "ZqRange") == 500.0;
      }
      return !(warned && clamped);
    });
  });
  // The sonar pings ten times a second: its settings are on the stream once the follower is on it.
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard lock(mutex);
    return streaming;
  }));
  const auto posted =
      api_->Post("/api/devices/" + Key(0) + "/request", R"([{"ZqRange": {"double": 900.0}}])");
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->status, 202) << posted->body;
  follower.join();  // within the stream's 10 s
  EXPECT_TRUE(warned);
  EXPECT_TRUE(clamped);
  EXPECT_EQ(Value(Attributes(0), "ZqRange"), 500.0);

  // The sonar goes quiet with its link up: its data time-out shows in its buffer status, which its data
  // coming back clears.
  const auto silence = [&](bool silent) {
    sonars_[0]->WithHead(0, [silent](SimHead& head, std::vector<std::string>&) { head.SetSilent(silent); });
  };
  silence(true);
  EXPECT_TRUE(WaitFor([&] { return Get("/api/links")[0]["bufferStatus"] == 2; }));
  silence(false);
  EXPECT_TRUE(WaitFor([&] { return Get("/api/links")[0]["bufferStatus"] == 0; }));
}

}  // namespace
