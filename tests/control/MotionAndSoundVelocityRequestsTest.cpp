// Motion sensor, motion compensation and manual sound velocity: payload bytes, where each value comes
// from, when a request waits, and what the device keeps afterwards.
#include <gtest/gtest.h>

#include <optional>

#include "ControlDeviceFixture.h"

namespace {

using MotionAndSoundVelocityRequests = ControlDeviceTest;

template <typename T>
T Stored(const CAttributeMap& map, const char* key) {
  T value{};
  EXPECT_TRUE(map.FindValue(key).GetValue(value)) << key;
  return value;
}

const char* const kSensorCodes[] = {"ZqMotionSensorFormat",   "ZqMotionSensorBaudrate",
                                    "ZqMotionSensorParity",   "ZqMotionSensorDataBits",
                                    "ZqMotionSensorStopBits", "ZqMotionSensorOrientation"};

TEST_F(MotionAndSoundVelocityRequests, SensorRequestCompletesItselfFromTheStoredSettings) {
  const int stored[] = {2, 5, 1, 8, 1, 3};
  for (int i = 0; i < 6; ++i) Attributes().Add(kSensorCodes[i], COrvInt(stored[i]));
  Request().Add("ZqMotionSensorLatency", COrvDouble(0.005));
  device_.ApplyAttribs(false);
  // A requested code wins over the stored one and goes out as its low 8 bits; the latency now stored is sent.
  Request().Add("ZqMotionSensorBaudrate", COrvInt(260));
  Request().Add("ZqMotionSensorOrientation", COrvInt(7));
  device_.ApplyAttribs(false);

  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1037, Fields("02 05 01 08 01 03 0ad7a33b") + ZeroHex(21)),
      ExpectedRemoteControl(1037, Fields("02 04 01 08 01 07 0ad7a33b") + ZeroHex(21))};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Stored<int>(Attributes(), "ZqMotionSensorBaudrate"), 260);  // as requested, not as sent
  EXPECT_EQ(Stored<int>(Attributes(), "ZqMotionSensorOrientation"), 7);
  EXPECT_EQ(Stored<double>(Attributes(), "ZqMotionSensorLatency"), 0.005);
}

TEST_F(MotionAndSoundVelocityRequests, MotionRequestKnownNowhereWaitsWhole) {
  for (int i = 0; i < 5; ++i)
    Attributes().Add(kSensorCodes[i], COrvInt(1));  // orientation and latency missing
  Request().Add("ZqMotionSensorFormat", COrvInt(4));
  Request().Add("ZqMotionSensorLatency", COrvDouble(0.02));
  Request().Add("ZqMotionCompensationPitch", COrvBool(true));  // roll known nowhere
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 3);
  EXPECT_EQ(Stored<int>(Attributes(), "ZqMotionSensorFormat"), 1);

  Request().Add("ZqMotionSensorOrientation", COrvInt(2));
  Attributes().Add("ZqMotionCompensationRoll", COrvBool(false));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1033, Fields("00 01") + ZeroHex(10)),
      ExpectedRemoteControl(1037, Fields("04 01 01 01 01 02 0ad7a33c") + ZeroHex(21))};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_FALSE(Stored<bool>(Attributes(), "ZqMotionCompensationRoll"));
  EXPECT_TRUE(Stored<bool>(Attributes(), "ZqMotionCompensationPitch"));
}

TEST_F(MotionAndSoundVelocityRequests, SoundVelocityFlagsSayWhatTheRequestCarriedAndOnlyThatIsStored) {
  // Stored before each case: 1480.0, override on, filter 1. The request's override (none: the stored one).
  struct Case {
    const char* name;
    bool hasVelocity;
    std::optional<bool> override;
    bool hasFilter;
    std::string payload;
  };
  const Case cases[] = {
      {"velocity and override", true, true, false, Fields("0100 0090ba44 00 000000")},
      {"override alone", false, false, false, Fields("0200 00000000 00 000000")},
      {"filter alone", false, std::nullopt, true, Fields("0700 00000000 04 000000")},
      {"all three", true, false, true, Fields("0400 0090ba44 04 000000")},
  };
  for (const Case& c : cases) {
    Attributes().Add("ZqSoundVelocity", COrvDouble(1480.0));
    Attributes().Add("ZqSoundVelocityOverride", COrvBool(true));
    Attributes().Add("ZqSoundVelocityFilter", COrvInt(1));
    if (c.hasVelocity) Request().Add("ZqSoundVelocity", COrvDouble(1492.5));
    if (c.override) Request().Add("ZqSoundVelocityOverride", COrvBool(*c.override));
    if (c.hasFilter) Request().Add("ZqSoundVelocityFilter", COrvInt(260));
    device_.ApplyAttribs(false);

    EXPECT_EQ(SentHex().back(), ExpectedRemoteControl(7610, c.payload)) << c.name;
    EXPECT_EQ(Request().GetCount(), 0) << c.name;
    EXPECT_EQ(Stored<double>(Attributes(), "ZqSoundVelocity"), c.hasVelocity ? 1492.5 : 1480.0) << c.name;
    EXPECT_EQ(Stored<bool>(Attributes(), "ZqSoundVelocityOverride"), c.override.value_or(true)) << c.name;
    EXPECT_EQ(Stored<int>(Attributes(), "ZqSoundVelocityFilter"), c.hasFilter ? 260 : 1) << c.name;
  }
  EXPECT_EQ(SentHex().size(), 4U);
}

TEST_F(MotionAndSoundVelocityRequests, SoundVelocityWaitsWhileItsOverrideIsKnownNowhere) {
  Request().Add("ZqSoundVelocityFilter", COrvInt(3));
  Request().Add("ZqSoundVelocity", COrvDouble(1500.0));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_EQ(Request().GetCount(), 2);
  EXPECT_FALSE(Attributes().Has("ZqSoundVelocity"));
}

TEST_F(MotionAndSoundVelocityRequests, OnePassSendsSoundVelocityThenCompensationThenSensor) {
  for (const char* key : kSensorCodes) Request().Add(key, COrvInt(0));
  Request().Add("ZqMotionSensorLatency", COrvDouble(0.0));
  Request().Add("ZqMotionCompensationRoll", COrvBool(true));
  Request().Add("ZqMotionCompensationPitch", COrvBool(false));
  Request().Add("ZqSoundVelocityOverride", COrvBool(true));
  Request().Add("ZqSoundVelocity", COrvDouble(1500.0));
  device_.ApplyAttribs(false);
  const std::vector<std::string> expected = {ExpectedRemoteControl(7610, Fields("0100 0080bb44 00 000000")),
                                             ExpectedRemoteControl(1033, Fields("01 00") + ZeroHex(10)),
                                             ExpectedRemoteControl(1037, ZeroHex(31))};
  EXPECT_EQ(SentHex(), expected);
}

}  // namespace
