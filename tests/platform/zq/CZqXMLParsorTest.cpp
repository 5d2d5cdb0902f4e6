// The XML reader of the configuration record: its tables, and what it reports of a board.
#include "platform/zq/CZqXMLParsor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kXml = R"(<ZqConfiguration>
  <HARDWARE>
    <Device name="TX1" id="36" available="1" angle="-30" displayName="Projector 200/400">
      <Frequency>200000</Frequency><Frequency>loud</Frequency><Frequency> 396000 </Frequency>
    </Device>
    <Device name="RX1" id="300" available="2"/>
    <Device name="TX1" id="37"/>
    <Device name="LONG" displayName="01234567890123456789012345678901234567890123456789012345678901é"/>
  </HARDWARE>
  <TX1/>
  <SETTINGS><HARDWARE/></SETTINGS>
</ZqConfiguration>)";

struct Board {
  unsigned long found = 0;
  char name[CZqXMLParsor::kNameCapacity + 1] = {};  // one byte more, to see that it is not written
  bool hasName = true;
  unsigned char id = 99;
  std::vector<float> frequencies{1.0F};
  int ignored = 7;
  unsigned long available = 9;
  unsigned long angle = 9;
};

Board Describe(const CZqXMLParsor& parser, const char* device) {
  Board b;
  std::memset(b.name, 'x', sizeof(b.name));
  b.found = parser.GetHardwareDeviceInfo(device, b.name, &b.hasName, &b.id, &b.frequencies, &b.ignored,
                                         &b.available, &b.angle);
  return b;
}

TEST(CZqXMLParsor, FindsTopLevelTablesAndReportsTheFirstBoardOfAName) {
  CZqXMLParsor parser;
  EXPECT_EQ(parser.FindTable("HARDWARE"), 0u);  // nothing loaded yet
  parser.Set7003BiteInfo(kXml);
  EXPECT_TRUE(parser.FindTable("HARDWARE") != 0 && parser.FindTable("TX1") != 0);
  EXPECT_TRUE(parser.FindTable("RX1") == 0 && parser.FindTable("Device") == 0);

  const Board tx = Describe(parser, "TX1");
  EXPECT_NE(tx.found, 0u);
  EXPECT_STREQ(tx.name, "Projector 200/400");
  EXPECT_TRUE(tx.hasName && tx.id == 36);
  EXPECT_EQ(tx.frequencies, (std::vector<float>{200000.0F, 396000.0F}));
  EXPECT_TRUE(tx.ignored == 0 && tx.available == 1);
  EXPECT_EQ(static_cast<int>(tx.angle), -30);

  const Board rx = Describe(parser, "RX1");
  EXPECT_NE(rx.found, 0u);
  EXPECT_TRUE(std::strlen(rx.name) == 0 && !rx.hasName && rx.frequencies.empty());
  EXPECT_TRUE(rx.id == 0 && rx.available == 2 && rx.angle == 0);  // 300 is no board id

  const Board missing = Describe(parser, "SYS1");
  EXPECT_EQ(missing.found, 0u);
  EXPECT_TRUE(std::strlen(missing.name) == 0 && !missing.hasName && missing.frequencies.empty());
  EXPECT_EQ(missing.id + missing.available + missing.angle, 0u);

  // 62 digits fit; the two bytes of the accented letter would leave no room for the zero.
  const Board cut = Describe(parser, "LONG");
  EXPECT_EQ(std::string(cut.name),
            std::string("01234567890123456789012345678901234567890123456789012345678901"));
  EXPECT_EQ(cut.name[CZqXMLParsor::kNameCapacity], 'x');
}

TEST(CZqXMLParsor, TextThatIsNotAWellFormedConfigurationLeavesItEmpty) {
  for (const char* xml :
       {"<ZqConfiguration><HARDWARE>", "<Other><HARDWARE/></Other>", "", static_cast<const char*>(nullptr)}) {
    CZqXMLParsor parser;
    parser.Set7003BiteInfo(kXml);
    parser.Set7003BiteInfo(xml);
    EXPECT_EQ(parser.FindTable("HARDWARE"), 0u);
    EXPECT_EQ(Describe(parser, "TX1").found, 0u);
  }
}

}  // namespace
