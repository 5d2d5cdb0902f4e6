// Recording on the sonar: synchronisation with the host's logging, file names, the recording directory
// and the record types to record.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/HostLogging.h"
#include "tests/control/ControlDeviceFixture.h"

namespace {

constexpr auto kBound = std::chrono::seconds(5);
// 2024-05-06 07:08:09.25 UTC (19849 days after the epoch), read as local time with TZ=UTC.
double May6th2024() {
  return 19849.0 * 86400.0 + 7 * 3600 + 8 * 60 + 9.25;
}
// "20240506_070809_ORV" after the u32 0, the rest of the 256-byte name field zero.
const std::string kNamedStart =
    "00000000"
    "32303234303530365f3037303830395f4f5256" +
    ZeroHex(256 - 19);

class RecordingRequests : public ControlDeviceTest {
 protected:
  RecordingRequests() {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    CExTime::SetTimeSource(&May6th2024);
  }
  ~RecordingRequests() override { CExTime::SetTimeSource(nullptr); }

  static void Publish(void (*publish)()) {
    publish();
    ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));
  }
};

TEST_F(RecordingRequests, SynchronisationFollowsTheHostsLoggingBothWays) {
  Request().Add("SyncDataRecording", COrvBool(true));  // not logging: the sonar stops recording
  device_.ApplyAttribs(false);
  Publish(HostLogging::PublishStarted);  // logging starts: recording starts with a name
  Publish(HostLogging::PublishStopped);
  Request().Add("SyncDataRecording", COrvBool(false));  // switching off sends nothing
  device_.ApplyAttribs(false);
  Publish(HostLogging::PublishStarted);                // and later notifications send nothing either
  Request().Add("SyncDataRecording", COrvBool(true));  // on while logging: start with a fresh name
  device_.ApplyAttribs(false);

  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1201, ""), ExpectedRemoteControl(1200, Fields(kNamedStart)),
      ExpectedRemoteControl(1201, ""), ExpectedRemoteControl(1200, Fields(kNamedStart))};
  EXPECT_EQ(SentHex(), expected);
  EXPECT_FALSE(Request().Has("SyncDataRecording"));
  EXPECT_EQ(Attributes().FindValue("SyncDataRecording"), COrvBool(true));
  Publish(HostLogging::PublishStopped);
}

TEST_F(RecordingRequests, RecordTypesAreSentAsSixteenBitNumbersInAtMost128Slots) {
  Request().Add("ZqRDRFilterList", COrvIntList({7000, 7503, 7610}));
  device_.ApplyAttribs(false);
  std::vector<int> many(130, 7000);
  many[0] = 65536 + 7001;  // only the low 16 bits count
  Request().Add("ZqRDRFilterList", COrvIntList(many));
  device_.ApplyAttribs(false);

  const auto sent = SentHex();
  ASSERT_EQ(sent.size(), 2U);
  EXPECT_EQ(sent[0],
            ExpectedRemoteControl(1209, Fields("0000 0100 0300 581b0000 4f1d0000 ba1d0000") + ZeroHex(500)));
  std::string slots = "591b0000";
  for (int i = 1; i < 128; ++i) slots += "581b0000";
  EXPECT_EQ(sent[1], ExpectedRemoteControl(1209, Fields("0000 0100 8000") + slots));
  EXPECT_EQ(Attributes().FindValue("ZqRDRFilterList"), COrvIntList(many));  // all 130 kept
  EXPECT_FALSE(Request().Has("ZqRDRFilterList"));
}

TEST_F(RecordingRequests, DirectoryOf255CharactersIsSentOneOf256Waits) {
  const std::string longest(255, 'd');
  Request().Add("ZqDirectoryName", COrvString(CString(longest + "x")));
  device_.ApplyAttribs(false);
  EXPECT_TRUE(SentHex().empty());
  EXPECT_TRUE(Request().Has("ZqDirectoryName"));

  Request().Add("ZqDirectoryName", COrvString(CString(longest)));
  device_.ApplyAttribs(false);
  std::string name;
  for (int i = 0; i < 255; ++i) name += "64";
  EXPECT_EQ(SentHex(), std::vector{ExpectedRemoteControl(1207, name + "00")});
  EXPECT_EQ(Attributes().FindValue("ZqDirectoryName"), COrvString(CString(longest)));
}

TEST_F(RecordingRequests, LoggingNotificationsRacingRequestPassesCorruptNothing) {
  Attributes().Add("SyncDataRecording", COrvBool(true));
  std::thread host([] {
    for (int i = 0; i < 200; ++i) (i % 2 == 0 ? HostLogging::PublishStarted : HostLogging::PublishStopped)();
  });
  for (int i = 0; i < 200; ++i) {
    Request().Add("ZqRange", COrvDouble(100.0 + i));
    Request().Add("ZqDirectoryName", COrvString("survey"));
    device_.ApplyAttribs(false);
  }
  host.join();
  ASSERT_TRUE(SubscriptionManager::Instance().WaitIdle(kBound));

  // Every record is whole: 400 from the passes and one start or stop for each of the 200 notifications.
  const auto sent = SentHex();
  EXPECT_EQ(sent.size(), 600U);
  for (const std::string& record : sent) {
    const bool start = record == ExpectedRemoteControl(1200, Fields(kNamedStart));
    const bool stop = record == ExpectedRemoteControl(1201, "");
    const bool pass = record.size() == 2 * 96 || record.size() == 2 * (92 + 256);
    EXPECT_TRUE(start || stop || pass) << record.substr(0, 80);
  }
  EXPECT_EQ(Attributes().FindValue("ZqRange"), COrvDouble(299.0));
}

}  // namespace
