// The configuration view driven over the API as a browser drives it: opened on a sonar, its range
// bar dragged and released, the one request that reaches the sonar, the sonar's answer in the view's
// tree; refused actions; and the view open again, on the same sonar, after the host restarts.
#include <cmath>
#include <cstring>

#include "platform/zq/ZqWireFormat.h"
#include "resources/ResourceIds.h"
#include "sim/SimHead.h"
#include "tests/e2e/HostJourney.h"

namespace {

// How many range requests (remote control 1003) the sonar has received.
std::size_t RangeRequests(const SimServer& sonar) {
  std::size_t count = 0;
  for (const std::string& record : sonar.ReceivedRecords()) {
    std::uint32_t type = 0;
    std::uint32_t id = 0;
    if (record.size() < zqwire::kRemoteControlIdOffset + 4) continue;
    std::memcpy(&type, record.data() + zqwire::kRecordTypeOffset, 4);
    std::memcpy(&id, record.data() + zqwire::kRemoteControlIdOffset, 4);
    count += type == zqwire::kRemoteControlRecordType && id == 1003 ? 1 : 0;
  }
  return count;
}

// A bool of an attribute map as the API writes it ([{"SyncDataRecording": {"bool": true}}, ...]).
std::optional<bool> Flag(const Json& map, const std::string& key) {
  for (const Json& entry : map.is_array() ? map : Json::array()) {
    if (entry.contains(key) && entry[key].contains("bool") && entry[key]["bool"].is_boolean())
      return entry[key]["bool"].get<bool>();
  }
  return std::nullopt;
}

// The window of that control id in a view's tree; null when there is none.
const Json* Control(const Json& window, int id) {
  if (window.value("id", 0) == id) return &window;
  const auto children = window.find("children");
  if (children == window.end()) return nullptr;
  for (const Json& child : *children) {
    if (const Json* found = Control(child, id)) return found;
  }
  return nullptr;
}

class ConfigurationViewJourney : public HostJourney {
 protected:
  Json Tree() const { return Get("/api/views/1"); }
  std::string Label(int id) const {
    const Json tree = Tree();
    const Json* label = tree.is_object() ? Control(tree["root"], id) : nullptr;
    return label == nullptr ? "" : label->value("text", "");
  }
  HttpClient::Result Act(const std::string& actions) const {
    return api_->Post("/api/views/1/events", actions);
  }
};

TEST_F(ConfigurationViewJourney, ADraggedRangeBarSendsOneRequestAndShowsTheSonarsAnswer) {
  StartSonars({"shallow"}, false);
  StartHost();
  ASSERT_TRUE(LinksConnected());
  ASSERT_TRUE(WaitFor([&] { return Value(Attributes(0), "ZqRange") == 50.0; }));

  const auto opened = api_->Post("/api/views", R"({"template": "KAVOSONARCONFIGURATION", "attributes":
      [{"DataId": {"datainfo": {"id": [1, 78, 1, 1], "a": 65535, "b": 65535}}}]})");
  ASSERT_TRUE(opened);
  ASSERT_EQ(opened->status, 201) << opened->body;
  EXPECT_EQ(Json::parse(opened->body), Json({{"id", 1}}));
  ASSERT_TRUE(WaitFor([&] { return Label(IDC_RANGE_VALUE) == "50.0 m"; })) << Tree().dump();

  // While the thumb moves, the label follows and nothing reaches the sonar. (The sonar keeps quiet
  // meanwhile: a settings record would show its range again, as it does on the desktop.)
  const auto silence = [&](bool silent) {
    sonars_[0]->WithHead(0, [silent](SimHead& head, std::vector<std::string>&) { head.SetSilent(silent); });
  };
  silence(true);
  const std::size_t before = RangeRequests(*sonars_[0]);
  const int position = Control(Tree()["root"], IDC_RANGE_BAR)->value("pos", 0);
  const std::string bar = std::to_string(IDC_RANGE_BAR);
  const auto dragged = Act(R"([{"control": )" + bar + R"(, "scroll": "thumbtrack", "pos": )" +
                           std::to_string(position + 2) + "}]");
  ASSERT_TRUE(dragged);
  ASSERT_EQ(dragged->status, 200) << dragged->body;
  const std::string label = Label(IDC_RANGE_VALUE);
  EXPECT_NE(label, "50.0 m");
  EXPECT_EQ(RangeRequests(*sonars_[0]), before);
  silence(false);
  // Released as a browser releases: the last thumb move, its position and the end of scroll in one
  // batch, so that a sonar update that came during the drag cannot change what goes out. One request;
  // the sonar's settings come back with that range.
  const std::string to = std::to_string(position + 2);
  const auto released = Act(R"([{"control": )" + bar + R"(, "scroll": "thumbtrack", "pos": )" + to +
                            R"(}, {"control": )" + bar + R"(, "scroll": "thumbposition", "pos": )" + to +
                            R"(}, {"control": )" + bar + R"(, "scroll": "endscroll"}])");
  ASSERT_TRUE(released);
  EXPECT_EQ(released->status, 200) << released->body;
  const double requested = std::stod(label);
  EXPECT_TRUE(WaitFor([&] { return Value(Attributes(0), "ZqRange") == requested; }));
  EXPECT_TRUE(WaitFor([&] { return RangeRequests(*sonars_[0]) == before + 1; }));
  EXPECT_EQ(Label(IDC_RANGE_VALUE), label);

  // Refused, each with a message: unknown view, control, template; a malformed action; the wrong kind.
  const struct {
    std::string path;
    std::string body;
    int status;
  } refused[] = {
      {"/api/views/7/events", R"({"help": true})", 404},
      {"/api/views/1/events", R"({"control": 4242, "click": true})", 404},
      {"/api/views", R"({"template": "NO-SUCH-TEMPLATE"})", 404},
      {"/api/views/1/events", R"({"control": 39708, "scroll": "sideways"})", 400},
      {"/api/views/1/events", R"([{"control": 39708, "scroll": "thumbtrack"}])", 400},
      {"/api/views/1/events", R"({"control": 39708, "select": 1})", 400},
      {"/api/views/1/events", R"([])", 400},
  };
  for (const auto& request : refused) {
    const auto reply = api_->Post(request.path, request.body);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, request.status) << request.body;
    EXPECT_FALSE(Json::parse(reply->body).value("error", "").empty()) << reply->body;
  }
  EXPECT_EQ(RangeRequests(*sonars_[0]), before + 1);

  // After a restart the same view is open again, on the same sonar.
  StopHost();
  StartHost();
  ASSERT_TRUE(LinksConnected());
  const Json views = Get("/api/views");
  ASSERT_EQ(views.size(), 1U) << views.dump();
  EXPECT_EQ(views[0]["id"], 1);
  EXPECT_TRUE(WaitFor([&] { return Label(IDC_RANGE_VALUE) == label; })) << Tree().dump();
  const auto closed = api_->Delete("/api/views/1");
  ASSERT_TRUE(closed);
  EXPECT_EQ(closed->status, 200);
  EXPECT_EQ(Get("/api/views"), Json::array());
}

// The ocean and recording tabs through the API: a released bar and the override box become the
// sonar's settings and come back on the page; a sensor reading shows while the override is off; the
// sonar records when the operator starts it, and when the host's logging does once the page follows it.
TEST_F(ConfigurationViewJourney, TheOceanAndRecordingTabsDriveTheSonarAndShowWhatItReports) {
  StartSonars({"shallow"}, false);
  StartHost();
  ASSERT_TRUE(LinksConnected());
  const auto opened = api_->Post("/api/views", R"({"template": "KAVOSONARCONFIGURATION", "attributes":
      [{"DataId": {"datainfo": {"id": [1, 78, 1, 1], "a": 65535, "b": 65535}}}]})");
  ASSERT_TRUE(opened && opened->status == 201);
  const auto act = [&](const std::string& actions) {
    const auto reply = Act(actions);
    EXPECT_TRUE(reply && reply->status == 200) << actions << (reply ? reply->body : "");
  };
  act(R"({"control": 39742, "tab": 1})");

  // A sensor reading shows while the operator's sound velocity does not override it.
  ASSERT_EQ(api_->Post("/api/sensors/sound-velocity", R"({"value": 1487.3})")->status, 200);
  EXPECT_TRUE(WaitFor([&] { return Label(IDC_SOUND_VELOCITY_VALUE) == "1487.3 m/s"; })) << Tree().dump();
  // Absorption to 80 dB/km: the sonar takes it and reports it back.
  const std::string absorption = std::to_string(IDC_ABSORPTION_BAR);
  act("[{\"control\": " + absorption + R"(, "scroll": "thumbtrack", "pos": 80}, {"control": )" + absorption +
      R"(, "scroll": "thumbposition", "pos": 80}, {"control": )" + absorption +
      R"(, "scroll": "endscroll"}])");
  EXPECT_TRUE(WaitFor([&] { return Value(Attributes(0), "ZqAbsorption") == 80.0; }));
  EXPECT_TRUE(WaitFor([&] { return Label(IDC_ABSORPTION_VALUE) == "80.0 dB/km"; }));
  // The override box sends the sound velocity shown with the override on; the sonar takes both.
  act("{\"control\": " + std::to_string(IDC_SOUND_VELOCITY_OVERRIDE) + R"(, "click": true})");
  EXPECT_TRUE(WaitFor([&] { return Flag(Attributes(0), "ZqSoundVelocityOverride") == true; }));
  EXPECT_TRUE(
      WaitFor([&] { return std::abs(Value(Attributes(0), "ZqSoundVelocity").value_or(0) - 1487.3) < 0.01; }));

  // Recording: Start when the sonar reports it stopped; its file grows; Stop.
  act(R"({"control": 39742, "tab": 2})");
  const auto enabled = [&](int id) {
    const Json tree = Tree();
    const Json* button = tree.is_object() ? Control(tree["root"], id) : nullptr;
    return button != nullptr && button->value("enabled", false);
  };
  ASSERT_TRUE(WaitFor([&] { return enabled(IDC_RECORDING_START); })) << Tree().dump();
  act("{\"control\": " + std::to_string(IDC_RECORDING_START) + R"(, "click": true})");
  EXPECT_TRUE(
      WaitFor([&] { return Label(IDC_RECORDING_MODE) == "Recording" && enabled(IDC_RECORDING_STOP); }));
  EXPECT_TRUE(WaitFor([&] { return Value(Attributes(0), "ZqFileSize", "int64") > 0.0; }));
  EXPECT_TRUE(WaitFor([&] { return Label(IDC_RECORDING_FILE_SIZE) != "0 B"; }));
  act("{\"control\": " + std::to_string(IDC_RECORDING_STOP) + R"(, "click": true})");
  EXPECT_TRUE(WaitFor([&] { return Label(IDC_RECORDING_MODE) == "Stopped"; }));
  // Following the host's logging: the buttons go, and the host's logging starts and stops the sonar.
  act("{\"control\": " + std::to_string(IDC_RECORDING_SYNC) + R"(, "click": true})");
  EXPECT_TRUE(WaitFor([&] { return Flag(Attributes(0), "SyncDataRecording") == true; }));
  EXPECT_FALSE(enabled(IDC_RECORDING_START));
  ASSERT_EQ(api_->Post("/api/logging/start", "")->status, 200);
  EXPECT_TRUE(WaitFor([&] { return Label(IDC_RECORDING_MODE) == "Recording"; }));
  ASSERT_EQ(api_->Post("/api/logging/stop", "")->status, 200);
  EXPECT_TRUE(WaitFor([&] { return Label(IDC_RECORDING_MODE) == "Stopped"; }));
}

}  // namespace
