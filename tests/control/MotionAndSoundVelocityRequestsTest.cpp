// Motion sensor, motion compensation and manual sound velocity requests.
#include <gtest/gtest.h>

#include <optional>

#include "tests/control/ControlDeviceFixture.h"

namespace {

using MotionAndSoundVelocityRequests = ControlDeviceTest;

template <typename T>
T Stored(const CAttributeMap& map, const char* key) {
  T value{};
  EXPECT_TRUE(map.FindValue(key).GetValue(value)) << key;
  return value;
}

TEST_F(MotionAndSoundVelocityRequests, ValuesKnownNowhereKeepRequestsWaitingThenStoredOnesFillThemInOrder) {
  Attributes().Add("ZqMotionSensorFormat", COrvInt(2));
  Attributes().Add("ZqMotionSensorBaudrate", COrvInt(5));
  Attributes().Add("ZqMotionSensorParity", COrvInt(1));
  Attributes().Add("ZqMotionSensorDataBits", COrvInt(8));
  Attributes().Add("ZqMotionSensorStopBits", COrvInt(1));  // no orientation anywhere
  Attributes().Add("ZqMotionSensorLatency", COrvDouble(0.005));
  Request().Add("ZqMotionSensorBaudrate", COrvInt(0x184));  // wins over the stored 5, sent as its low 8 bits
  Request().Add("ZqMotionCompensationPitch", COrvBool(true));  // no roll anywhere
  Request().Add("ZqSoundVelocity", COrvDouble(1500.0));        // no override anywhere
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());

  Request().Add("ZqMotionSensorOrientation", COrvInt(7));
  Attributes().Add("ZqMotionCompensationRoll", COrvBool(false));
  Attributes().Add("ZqSoundVelocityOverride", COrvBool(true));
  device_.ApplyAttribs(false);
  EXPECT_EQ(SentHex(),
            (std::vector{ExpectedRemoteControl(7610, Fields("0100 0080bb44 00 000000")),
                         ExpectedRemoteControl(1033, Fields("00 01") + ZeroHex(10)),
                         ExpectedRemoteControl(1037, Fields("02 84 01 08 01 07 0ad7a33b") + ZeroHex(21))}));
  EXPECT_EQ(Request().GetCount(), 0);
  EXPECT_EQ(Stored<int>(Attributes(), "ZqMotionSensorBaudrate"), 0x184);  // as requested, not as sent
  EXPECT_TRUE(Stored<bool>(Attributes(), "ZqMotionCompensationPitch"));
}

TEST_F(MotionAndSoundVelocityRequests, SoundVelocityFlagsSayWhatTheRequestCarriedAndOnlyThatIsStored) {
  struct Case {
    bool hasVelocity;
    std::optional<bool> override;  // none: the stored one, on
    bool hasFilter;
    std::string payload;
  };
  const Case cases[] = {
      {false, false, false, Fields("0200 00000000 00 000000")},
      {false, std::nullopt, true, Fields("0700 00000000 04 000000")},
      {true, false, true, Fields("0400 0090ba44 04 000000")},
  };
  for (std::size_t i = 0; const Case& c : cases) {
    Attributes().Add("ZqSoundVelocity", COrvDouble(1480.0));
    Attributes().Add("ZqSoundVelocityOverride", COrvBool(true));
    Attributes().Add("ZqSoundVelocityFilter", COrvInt(1));
    if (c.hasVelocity) Request().Add("ZqSoundVelocity", COrvDouble(1492.5));
    if (c.override) Request().Add("ZqSoundVelocityOverride", COrvBool(*c.override));
    if (c.hasFilter) Request().Add("ZqSoundVelocityFilter", COrvInt(260));
    device_.ApplyAttribs(false);
    EXPECT_EQ(SentHex().at(i++), ExpectedRemoteControl(7610, c.payload));
    EXPECT_EQ(Request().GetCount(), 0) << c.payload;
    EXPECT_EQ(Stored<double>(Attributes(), "ZqSoundVelocity"), c.hasVelocity ? 1492.5 : 1480.0) << c.payload;
    EXPECT_EQ(Stored<bool>(Attributes(), "ZqSoundVelocityOverride"), c.override.value_or(true)) << c.payload;
    EXPECT_EQ(Stored<int>(Attributes(), "ZqSoundVelocityFilter"), c.hasFilter ? 260 : 1) << c.payload;
  }
  EXPECT_EQ(SentHex().size(), 3U);
}

}  // namespace
