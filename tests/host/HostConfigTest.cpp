// The host configuration: what a good document gives, and that a bad one names the entry at fault. (The
// embedded default's two simulated sonars, of two models in one group: the end-to-end HostRestartTest.)
#include "host/HostConfig.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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
  EXPECT_EQ(std::tie(config.http.address, config.http.token), std::make_tuple("0.0.0.0:8080", "secret"));
}

TEST(HostConfigTest, ABadDocumentNamesTheEntryAtFault) {
  const std::string vessel = R"("vessels": [{"number": 1, "name": "V"}])";
  const std::string device = R"({"type": "T", "name": "N", "dataId": [1, 78, 1, 1])";
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
      {"{" + vessel + ", \"devices\": [" + device + R"(, "dataTimeOut": "5"}]})",
       "devices[0].dataTimeOut: expected a number"},
      {"{" + vessel + ", \"devices\": [" + device + R"(, "attributes": [{"ZqRange": {"float": 1}}]}]})",
       "devices[0].attributes: $[0].ZqRange: unknown value type \"float\""},
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
