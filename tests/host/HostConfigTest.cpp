// The host configuration: what a good document gives, and that a bad one names the entry at fault. (The
// embedded default's two simulated sonars, of two models in one group: the end-to-end HostRestartTest.)
#include "host/HostConfig.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A sonar's link and heads, its data time-out and attributes, and the vessels are read from the documents
// the end-to-end journeys run on; here what those leave out, and what a simulated sonar leaves to its
// defaults.
TEST(HostConfigTest, ReadsDeviceEnumsSimulatedSonarsWithTheirDefaultsAndTheHttpSettings) {
  const std::string text = R"({"vessels": [{"number": 3, "name": "Survey 3"}],
    "devices": [{"type": "T", "name": "Sim", "dataId": [2, 78, 1, 3], "deviceEnum": 1,
                 "simulate": {"model": "deep", "biteInterval": 0}}],
    "http": {"address": "0.0.0.0:8080", "token": "secret"}})";
  HostConfig config;
  std::string error;
  ASSERT_TRUE(ParseHostConfig(text, config, error)) << error;
  ASSERT_TRUE(config.devices.size() == 1u && config.devices[0].link && config.devices[0].link->simulate);
  const DeviceConfig& sim = config.devices[0];
  EXPECT_EQ(std::tie(sim.deviceEnum, sim.link->simulate->model, sim.link->simulate->biteIntervalSeconds),
            std::make_tuple(1, "deep", 0.0));
  EXPECT_EQ(sim.link->heads[0].deviceId, 7000u);  // the default head
  EXPECT_EQ(sim.dataTimeOutSeconds, 5.0);         // the default data time-out
  EXPECT_EQ(sim.restore, RestoreMode::kOffer);    // and restore after a power loss
  EXPECT_EQ(std::tie(config.http.address, config.http.token), std::make_tuple("0.0.0.0:8080", "secret"));
}

TEST(HostConfigTest, ASimulatedSonarStartsWithTheFaultsAndEventsOfItsConfiguration) {
  const std::string text = R"({"vessels": [{"number": 1, "name": "V"}],
    "devices": [{"type": "T", "name": "Sim", "dataId": [1, 78, 1, 1], "simulate": {"faults": {
      "boards": {"TX1": 1, "RX1": 0}, "fieldsOutOfLimits": ["RX1/Temperature"], "silent": true,
      "events": [{"type": 6, "text": "Receiver 2 failed"}, {"type": 0, "text": "Survey started"}]}}}]})";
  HostConfig config;
  std::string error;
  ASSERT_TRUE(ParseHostConfig(text, config, error)) << error;
  const SimFaults& faults = config.devices.at(0).link->simulate->faults;
  EXPECT_EQ(faults.boards, (std::map<std::string, unsigned>{{"RX1", 0}, {"TX1", 1}}));
  EXPECT_EQ(faults.fieldsOutOfLimits, std::vector<std::string>{"RX1/Temperature"});
  EXPECT_EQ(faults.silent, true);
  ASSERT_EQ(faults.events.size(), 2u);
  EXPECT_EQ(std::tie(faults.events[0].type, faults.events[0].text), std::make_tuple(6, "Receiver 2 failed"));
}

TEST(HostConfigTest, ABadDocumentNamesTheEntryAtFault) {
  const std::string vessel = R"("vessels": [{"number": 1, "name": "V"}])";
  const std::string device = R"({"type": "T", "name": "N", "dataId": [1, 78, 1, 1])";
  const std::string faults = R"(, "simulate": {"faults": )";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"[1, 2", "not JSON"},
      {"[]", "$: expected an object"},
      {R"({"devices": []})", "vessels: expected a list"},
      {"{" + vessel + R"(, "devices": [{"type": "T", "name": "N", "dataId": [1, 78, 1]}]})",
       "devices[0].dataId: expected four numbers"},
      {"{" + vessel + R"(, "devices": [{"type": "T", "name": "N", "dataId": [1, 78, 70000, 1]}]})",
       "devices[0].dataId[2]: expected a whole number from 0 to 65535"},
      {"{" + vessel + R"(, "devices": [{"type": "T", "name": "N", "dataId": [1, 78, 1, 2]}]})",
       "devices[0].dataId: names vessel 2, which is not listed"},
      {"{" + vessel + ", \"devices\": [" + device + "}, " + device + "}]}",
       "devices[1].dataId: another device has data id 1.78.1.1"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "link": {"address": "sonar"}}]})",
       "devices[0].link.address: sonar address \"sonar\" is not host:port"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "simulate": {"model": "mid"}}]})",
       "devices[0].simulate.model: unknown sonar model \"mid\""},
      {"{" + vessel + ", \"devices\": [" + device +
           R"(, "simulate": {"heads": [{"deviceEnum": 0, "deviceId": 0}]}}]})",
       "devices[0].simulate.heads[0].deviceId: expected a number from 1"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "dataTimeOut": -0.5}]})",
       "devices[0].dataTimeOut: expected a number from 0 to 3600"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "dataTimeOut": 3601}]})",
       "devices[0].dataTimeOut: expected a number from 0 to 3600"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "restore": "always"}]})",
       R"(devices[0].restore: "always" is none of "offer", "auto" and "off")"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "dataTimeOut": "5"}]})",
       "devices[0].dataTimeOut: expected a number"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "attributes": [{"ZqRange": {"float": 1}}]}]})",
       "devices[0].attributes: $[0].ZqRange: unknown value type \"float\""},
      {"{" + vessel + ", \"devices\": [" + device + faults + R"({"boards": {"TX9": 1}}}}]})",
       "devices[0].simulate.faults.boards.TX9: unknown board \"TX9\" (the shallow model has LM, LCU, IOPW, "
       "TX1,"},
      {"{" + vessel + ", \"devices\": [" + device + faults + R"({"boards": {"TX1": 8}}}}]})",
       "devices[0].simulate.faults.boards.TX1: expected status flags from 0 to 7"},
      {"{" + vessel + ", \"devices\": [" + device + faults +
           R"({"fieldsOutOfLimits": ["RX1/Channels failed"]}}}]})",
       "devices[0].simulate.faults.fieldsOutOfLimits[0]: board RX1 has no measured field \"Channels "
       "failed\""},
      {"{" + vessel + ", \"devices\": [" + device + faults +
           R"({"events": [{"type": 70000, "text": ""}]}}}]})",
       "devices[0].simulate.faults.events[0].type: expected a whole number from 0 to 65535"},
      {"{" + vessel + ", \"devices\": [" + device + faults + R"({"event": {"type": 1, "text": ""}}}}]})",
       "devices[0].simulate.faults.event: unknown member (boards, fieldsOutOfLimits, silent, events)"},
      {"{" + vessel + ", \"devices\": [" + device + faults + R"([]}}]})",
       "devices[0].simulate.faults: expected an object"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "deviceEnum": 2, "simulate": {"faults": {}}}]})",
       "devices[0].simulate.faults: no head of the simulated sonar answers under the device's device enum 2"},
      // A repeated key, which the parser alone would let win silently, in any object of the file.
      {"{" + vessel + R"(, "devices": [], "devices": []})", "$: repeated key \"devices\""},
      {"{" + vessel + ", \"devices\": [" + device + "}, " + device + R"(, "name": "M"}]})",
       "devices[1]: repeated key \"name\""},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "attributes": [{"R": {"int": 1, "int": 2}}]}]})",
       "devices[0].attributes[0].R: repeated key \"int\""},
  };
  for (const auto& c : cases) {
    HostConfig config;
    std::string error;
    EXPECT_FALSE(ParseHostConfig(c.text, config, error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error << "\nfor: " << c.text;
  }
}

}  // namespace
