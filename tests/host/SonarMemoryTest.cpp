// What the host makes of the settings a sonar reports: the confirmation of a change, and the restore
// after a power loss. Times are given, so nothing waits. The whole journey over the API, with simulated
// sonars killed and started again, is the end-to-end OperatorMemoryJourneyTest.
#include <gtest/gtest.h>

#include <fstream>

#include "host/ChangeConfirmations.h"
#include "host/ProfileStore.h"
#include "host/SettingsRestore.h"
#include "host/StateStore.h"
#include "platform/tavrin/AttributeMapJson.h"
#include "tests/tools/ScratchFolder.h"

namespace {

CAttributeMap Settings(double range, double power = 200.0) {
  CAttributeMap settings;
  settings.Add("ZqRange", COrvDouble(range));
  settings.Add("ZqPower", COrvDouble(power));
  return settings;
}

// A change is confirmed by the first report holding the requested value, or by the first report once the
// sonar had time to apply it; a report sent before the request arrived is not taken for its answer.
TEST(ChangeConfirmations, ARequestedValueConfirmsAtOnceAnyOtherAfterTheSonarHadTimeToApplyIt) {
  struct Case {
    const char* what;
    double requested;
    double reported;
    double at;  // seconds after the change was applied
    std::optional<double> confirmed;
  };
  const double asFloat = static_cast<float>(120.1);
  const Case cases[] = {
      {"the requested value", 120.0, 120.0, 0.01, 120.0},
      {"the old value, still on its way", 120.0, 100.0, 0.01, std::nullopt},
      {"a clamp, once the sonar applied the request", 600.0, 500.0, ChangeConfirmations::kSettleSeconds,
       500.0},
      {"the requested value read back as a float", 120.1, asFloat, 0.01, asFloat},
  };
  for (const Case& c : cases) {
    ChangeConfirmations confirmations;
    confirmations.Await({7, "1.78.1.1", "ZqRange", COrvDouble(c.requested), 50.0});
    EXPECT_TRUE(confirmations.Reported("2.78.1.1", Settings(c.requested), 50.5).empty()) << "another sonar";
    const auto confirmed = confirmations.Reported("1.78.1.1", Settings(c.reported), 50.0 + c.at);
    ASSERT_EQ(confirmed.size(), c.confirmed ? 1U : 0U) << c.what;
    if (c.confirmed) {
      EXPECT_EQ(confirmed[0].seq, 7U);
      EXPECT_TRUE(confirmed[0].value == COrvDouble(*c.confirmed)) << c.what;
    }
  }
  // A key the sonar does not report is not confirmed, and nothing waits for ever.
  ChangeConfirmations confirmations;
  confirmations.Await({8, "1.78.1.1", "ZqMinRangeGate", COrvDouble(3.0), 0.0});
  EXPECT_TRUE(confirmations.Reported("1.78.1.1", Settings(50.0), 5.0).empty());
  EXPECT_EQ(confirmations.Waiting(), 1U);
  confirmations.Reported("1.78.1.1", Settings(50.0), ChangeConfirmations::kLongestWait + 1.0);
  EXPECT_EQ(confirmations.Waiting(), 0U);
  // A sonar that connects again does not answer what it was sent before.
  confirmations.Await({9, "1.78.1.1", "ZqRange", COrvDouble(120.0), 0.0});
  confirmations.Await({10, "2.78.1.1", "ZqRange", COrvDouble(120.0), 0.0});
  confirmations.Forget("1.78.1.1");
  EXPECT_TRUE(confirmations.Reported("1.78.1.1", Settings(120.0), 0.1).empty());
  EXPECT_EQ(confirmations.Waiting(), 1U);
}

class SettingsRestoreTest : public ::testing::Test {
 protected:
  std::unique_ptr<StateStore> OpenState() {
    std::string error;
    auto store = StateStore::Open(
        folder_.path, [this](const std::string& p) { problems_ += p; }, error);
    EXPECT_TRUE(store) << error;
    return store;
  }
  // The sonar reports range and power, ping `ping`, at `now`.
  SettingsRestore::Outcome Report(SettingsRestore& restore, double range, std::int64_t ping, double now = 0.0,
                                  double power = 200.0) {
    return restore.Reported("1.78.1.1", Settings(range, power), ping, now);
  }

  ScratchFolder folder_{"restore"};
  std::string problems_;
};

// The remembered settings follow the sonar until it comes back without them; then the offer waits
// (following what the sonar reports) until taken or dismissed.
TEST_F(SettingsRestoreTest, AnOfferWaitsUntilTakenOrDismissedAndTheDefaultsAreNeverRemembered) {
  SettingsRestore restore(nullptr, [](const std::string&) {});
  restore.AddDevice("1.78.1.1", RestoreMode::kOffer);
  // First sight: nothing remembered yet, so nothing to offer; later reports are remembered.
  EXPECT_FALSE(Report(restore, 50.0, 1).offerChanged);
  Report(restore, 120.0, 2);
  Report(restore, 120.0, 3, 0.0, 210.0);

  // The ping number starts again: a comeback at the defaults.
  const SettingsRestore::Outcome back = Report(restore, 50.0, 1);
  EXPECT_TRUE(back.offerChanged);
  EXPECT_FALSE(back.restore);
  SettingsRestore::Offer offer = *restore.Get("1.78.1.1");
  EXPECT_TRUE(offer.pending);
  ASSERT_EQ(offer.diff.size(), 2U);
  EXPECT_EQ(offer.diff[0].key, "ZqRange");
  EXPECT_TRUE(offer.diff[0].wanted == COrvDouble(120.0) && offer.diff[0].current == COrvDouble(50.0));
  EXPECT_TRUE(offer.diff[1].wanted == COrvDouble(210.0) && offer.diff[1].current == COrvDouble(200.0));
  // Reports of the same settings change nothing; the operator setting the power back by hand narrows it.
  EXPECT_FALSE(Report(restore, 50.0, 2).offerChanged);
  EXPECT_TRUE(Report(restore, 50.0, 3, 0.0, 210.0).offerChanged);
  EXPECT_EQ(restore.Get("1.78.1.1")->diff.size(), 1U);

  // Taken: one request of what differs, and the defaults still are not remembered while it travels.
  const std::optional<CAttributeMap> request = restore.Take("1.78.1.1", 10.0);
  ASSERT_TRUE(request);
  EXPECT_EQ(WriteAttributeMapJson(*request), R"([{"ZqRange":{"double":120.0}}])");
  EXPECT_FALSE(restore.Take("1.78.1.1", 10.0)) << "taken once";
  Report(restore, 50.0, 4, 10.1, 210.0);
  Report(restore, 120.0, 5, 10.2, 210.0);
  // Back at the remembered settings: the next comeback offers them again.
  restore.Connected("1.78.1.1");
  Report(restore, 50.0, 6, 11.0);
  EXPECT_TRUE(restore.Get("1.78.1.1")->pending);

  // Dismissed: what the sonar reports is remembered from then on.
  EXPECT_TRUE(restore.Dismiss("1.78.1.1"));
  EXPECT_FALSE(restore.Dismiss("1.78.1.1"));
  restore.Connected("1.78.1.1");
  EXPECT_FALSE(Report(restore, 50.0, 7, 12.0).offerChanged);
  EXPECT_FALSE(restore.Get("1.78.1.1")->pending);
}

// "auto" sends the restore itself and waits for it; "off" only remembers. The remembered settings
// survive a restart, and a damaged file of them is set aside.
TEST_F(SettingsRestoreTest, AutoRestoresOffOnlyRemembersAndTheMemoryOutlivesTheHost) {
  {
    auto state = OpenState();
    SettingsRestore restore(state.get(), [](const std::string&) {});
    restore.AddDevice("1.78.1.1", RestoreMode::kAuto);
    Report(restore, 120.0, 1);
    restore.Flush();
  }
  auto state = OpenState();
  SettingsRestore restore(state.get(), [this](const std::string& p) { problems_ += p; });
  restore.AddDevice("1.78.1.1", RestoreMode::kAuto);
  // The host's first sight of the sonar after its own restart is a comeback too.
  const SettingsRestore::Outcome back = Report(restore, 50.0, 1, 100.0);
  ASSERT_TRUE(back.restore);
  EXPECT_EQ(WriteAttributeMapJson(*back.restore), R"([{"ZqRange":{"double":120.0}}])");
  EXPECT_FALSE(restore.Get("1.78.1.1")->pending) << "nothing waits for the operator";
  // Until the sonar reports it, or the settling time is over, the defaults are not remembered: another
  // comeback meanwhile is restored again.
  constexpr double kSettle = SettingsRestore::kSettleSeconds;
  Report(restore, 50.0, 2, 100.0 + kSettle - 1.0);
  restore.Connected("1.78.1.1");
  EXPECT_TRUE(Report(restore, 50.0, 1, 100.0 + kSettle - 0.5).restore);
  Report(restore, 50.0, 2, 100.0 + 2 * kSettle);  // given up
  restore.Connected("1.78.1.1");
  EXPECT_FALSE(Report(restore, 50.0, 3, 300.0).restore) << "the defaults are remembered now";

  SettingsRestore off(nullptr, [](const std::string&) {});
  off.AddDevice("1.78.1.1", RestoreMode::kOff);
  Report(off, 120.0, 5);
  const SettingsRestore::Outcome ignored = Report(off, 50.0, 1);
  EXPECT_FALSE(ignored.offerChanged || ignored.restore);

  std::ofstream(folder_ / "remembered-2.78.1.1.json") << "[{\"ZqRange\": ";
  restore.AddDevice("2.78.1.1", RestoreMode::kOffer);
  EXPECT_NE(problems_.find("remembered-2.78.1.1.json is damaged"), std::string::npos) << problems_;
  EXPECT_FALSE(std::filesystem::exists(folder_ / "remembered-2.78.1.1.json"));
}

// Profiles are written whole per sonar and read back; a damaged file is set aside, the names refused
// say why.
TEST_F(SettingsRestoreTest, ProfilesOutliveTheHostAndDamagedOnesAreSetAside) {
  {
    auto state = OpenState();
    ProfileStore profiles(state.get(), [](const std::string&) {});
    profiles.Load("1.78.1.1");
    std::string error;
    EXPECT_EQ(profiles.Save("1.78.1.1", {"Shelf / 120 m", 1.5, Settings(120.0)}, error),
              ProfileStore::Saved::kCreated);
    EXPECT_EQ(profiles.Save("1.78.1.1", {"Shelf / 120 m", 2.5, Settings(125.0)}, error),
              ProfileStore::Saved::kReplaced);
    EXPECT_EQ(profiles.Save("1.78.1.1", {"Deep", 3.0, Settings(400.0)}, error),
              ProfileStore::Saved::kCreated);
    EXPECT_EQ(profiles.Delete("1.78.1.1", "Deep", error), ProfileStore::Deleted::kDeleted);
    EXPECT_EQ(profiles.Delete("1.78.1.1", "Deep", error), ProfileStore::Deleted::kNotFound);
  }
  auto state = OpenState();
  ProfileStore profiles(state.get(), [this](const std::string& p) { problems_ += p; });
  profiles.Load("1.78.1.1");
  const std::vector<ProfileStore::Profile> kept = profiles.List("1.78.1.1");
  ASSERT_EQ(kept.size(), 1U);
  EXPECT_EQ(kept[0].name, "Shelf / 120 m");
  EXPECT_EQ(kept[0].saved, 2.5);
  EXPECT_TRUE(kept[0].settings == Settings(125.0));

  std::ofstream(folder_ / "profiles-2.78.1.1.json")
      << R"({"profiles": [{"name": "", "saved": 1, "settings": []}]})";
  profiles.Load("2.78.1.1");
  EXPECT_NE(
      problems_.find("profiles-2.78.1.1.json is damaged (profiles[0]: a profile's name must be 1 to 64"),
      std::string::npos)
      << problems_;
  EXPECT_TRUE(profiles.List("2.78.1.1").empty());

  for (const auto& [name, problem] : std::vector<std::pair<std::string, std::string>>{
           {"", "must be 1 to 64 characters long"},
           {std::string(65, 'x'), "must be 1 to 64 characters long"},
           {"tab\there", "must be printable UTF-8 text"},
           {"\xC3\x28", "must be printable UTF-8 text"},
           {"\xC0\xAF", "must be printable UTF-8 text"}}) {
    EXPECT_NE(ProfileStore::NameProblem(name).find(problem), std::string::npos) << name;
  }
  EXPECT_EQ(ProfileStore::NameProblem(std::string(63, 'x') + "\xC3\xA9"), "") << "64 characters, 65 bytes";
}

}  // namespace
