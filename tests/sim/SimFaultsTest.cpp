// Fault switches as one value: a command line's event option, and a change switched on a head in one go.
#include "sim/SimFaults.h"

#include <gtest/gtest.h>

#include "sim/SimHead.h"
#include "tests/tools/ScratchFolder.h"

namespace {

TEST(SimFaultsTest, AnEventOptionIsTypeEqualsText) {
  const struct {
    std::string option;
    std::optional<std::uint16_t> type;  // nothing: refused
    std::string textOrProblem;
  } cases[] = {
      {"6=Receiver 2 failed", 6, "Receiver 2 failed"},
      {"0=a=b", 0, "a=b"},
      {"65535=", 65535, ""},
      {"65536=x", std::nullopt, "TYPE \"65536\" is not a number from 0 to 65535"},
      {"-1=x", std::nullopt, "TYPE \"-1\" is not a number from 0 to 65535"},
      {"=x", std::nullopt, "TYPE \"\" is not a number from 0 to 65535"},
      {"Survey started", std::nullopt, "expected TYPE=TEXT"},
      {"1=" + std::string(1001, 'x'), std::nullopt, "the text is over 1000 bytes"},
  };
  for (const auto& c : cases) {
    std::string problem;
    const auto event = ParseEventOption(c.option, problem);
    ASSERT_EQ(event.has_value(), c.type.has_value()) << c.option;
    EXPECT_EQ(event ? event->text : problem, c.textOrProblem) << c.option;
    if (event) {
      EXPECT_EQ(event->type, *c.type);
    }
  }
}

// The fields given replace those out of limits; silence comes first, so a head switched silent with
// its faults sends none of their events, and one switched back sends them.
TEST(SimFaultsTest, FieldsGivenReplaceTheSetAndSilenceComesFirst) {
  const ScratchFolder folder{"sim-faults-test"};
  SimHead head(SimModel::Shallow(), 0, 7000, "test", folder.path);
  std::vector<std::string> out;
  head.SetFieldOutOfLimits("RX1", "Temperature", true, out);
  out.clear();
  SimFaults change;
  change.boards = {{"TX1", 1}};
  change.fieldsOutOfLimits = std::vector<std::string>{"TX1/High voltage"};
  change.silent = true;
  ApplyFaultSwitches(head, change, out);
  EXPECT_TRUE(out.empty());
  const SimFaults now = CurrentFaults(head);
  EXPECT_EQ(now.boards, (std::map<std::string, unsigned>{{"TX1", 1}}));
  EXPECT_EQ(now.fieldsOutOfLimits, std::vector<std::string>{"TX1/High voltage"});
  EXPECT_EQ(now.silent, true);
  ApplyFaultSwitches(head, SimFaults{{{"TX1", 0}}, std::vector<std::string>{}, false, {}, false}, out);
  EXPECT_EQ(out.size(), 2u);  // flags cleared, then the board OK
  EXPECT_EQ(CurrentFaults(head).fieldsOutOfLimits, std::vector<std::string>{});
}

}  // namespace
