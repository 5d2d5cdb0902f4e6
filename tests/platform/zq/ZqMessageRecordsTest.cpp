// BITE results and events built by hand, including counts and lengths that promise more than the
// record holds.
#include "platform/zq/ZqMessageRecords.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "tests/platform/zq/ZqTestRecords.h"

namespace {

using zqtest::BiteBoard;
using zqtest::BiteField;
using zqtest::Bytes;
using zqtest::Record;
using zqtest::StoredEvent;
using zqtest::U16;
using zqtest::U32;

TEST(ZqMessageRecords, BiteBoardsWithTheirFieldsAndCountsThatPromiseTooMuch) {
  const std::string longText(64, 'B');  // fills its 64 bytes: taken whole
  const std::string data = BiteBoard("TX1 board", 36, 0b101, 2) +
                           BiteField("Voltage", 2, 11.5F, 12.5F, 13.0F) +
                           BiteField("Uptime", 1, 0.0F, 0.0F, 42.0F) + BiteBoard(longText, 40, 0, 0);
  const auto boards = ZqMessageRecords::DecodeBite(Bytes(Record(7021, U16(2) + data)));
  ASSERT_EQ(boards.size(), 2u);
  EXPECT_EQ(boards[0].text, "TX1 board");
  EXPECT_TRUE(boards[0].id == 36 && boards[0].flags == (ZqBiteBoard::kUplinkError | ZqBiteBoard::kBiteError));
  ASSERT_EQ(boards[0].fields.size(), 2u);
  const ZqBiteField& voltage = boards[0].fields[0];
  EXPECT_EQ(voltage.name, "Voltage");
  EXPECT_TRUE(voltage.kind == 2 && voltage.lower == 11.5F && voltage.upper == 12.5F &&
              voltage.value == 13.0F);
  EXPECT_TRUE(voltage.HasLimits() && !boards[0].fields[1].HasLimits());
  EXPECT_TRUE(boards[1].text == longText && boards[1].id == 40);

  EXPECT_EQ(ZqMessageRecords::DecodeBite(Bytes(Record(7021, U16(5) + data))).size(), 2u);
  // The second board promises three fields and has one: it keeps that one and ends the reading.
  const auto cut = ZqMessageRecords::DecodeBite(
      Bytes(Record(7021, U16(3) + BiteBoard("A", 1, 0, 1) + BiteField("F", 2, 0, 1, 2) +
                             BiteBoard("B", 2, 0, 3) + BiteField("G", 2, 0, 1, 2))));
  ASSERT_EQ(cut.size(), 2u);
  ASSERT_EQ(cut[1].fields.size(), 1u);
  EXPECT_EQ(cut[1].fields[0].name, "G");
  // A board block cut short is left out.
  EXPECT_TRUE(
      ZqMessageRecords::DecodeBite(Bytes(Record(7021, U16(1) + BiteBoard("A", 1, 0, 0).substr(0, 135))))
          .empty());
}

TEST(ZqMessageRecords, StoredEventsFollowTheirTextLengthsAndStopWhereTheRecordEnds) {
  const std::string head(8, '\0');
  const std::string entries =
      StoredEvent(1, 17, std::string("Recording started") + '\0', 18) + StoredEvent(2, 18, "Gain", 5);
  const auto events = ZqMessageRecords::DecodeEventList(Bytes(Record(7050, head + U32(2) + entries)));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].type == 1 && events[0].number == 17 && events[0].text == "Recording started");
  EXPECT_TRUE(events[1].number == 18 && events[1].text == "Gain");  // no zero: cut before the trailer

  EXPECT_EQ(ZqMessageRecords::DecodeEventList(Bytes(Record(7050, head + U32(4000000000u) + entries))).size(),
            2u);
  const auto cut =
      ZqMessageRecords::DecodeEventList(Bytes(Record(7050, head + U32(3) + StoredEvent(3, 9, "Hot", 60000))));
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].text, "Hot");
  EXPECT_TRUE(ZqMessageRecords::DecodeEventList(Bytes(Record(7050, head + U32(1) + "short"))).empty());
}

// An event (number 12, type 2) with the text length declared and the text the record holds.
std::optional<ZqEvent> Event(std::string_view text, std::size_t length) {
  return ZqMessageRecords::DecodeEvent(
      Bytes(Record(7051, U32(12) + std::string(4, '\0') + U16(2) + U16(static_cast<std::uint16_t>(length)) +
                             std::string(2, '\0') + std::string(text))));
}

TEST(ZqMessageRecords, AnEventAndItsTextWithinTheRecord) {
  const auto event = Event(std::string("Range 600 clamped to 500") + '\0' + "!", 25);
  ASSERT_TRUE(event.has_value());
  EXPECT_TRUE(event->number == 12 && event->type == 2 && event->text == "Range 600 clamped to 500");
  EXPECT_EQ(Event("On", 999).value_or(ZqEvent{}).text, "On");  // a length beyond the record
  EXPECT_EQ(Event("Pinging stopped", 3).value_or(ZqEvent{}).text, "Pinging stopped");  // a length too short
  const std::string cut = U32(12) + std::string(4, '\0') + U16(2) + U16(0);
  EXPECT_FALSE(ZqMessageRecords::DecodeEvent(Bytes(Record(7051, cut))).has_value());
  EXPECT_FALSE(ZqMessageRecords::DecodeEvent({}).has_value());
}

// A sonar's text is bytes: valid UTF-8 stays as it is, anything else is read as Latin-1.
TEST(ZqMessageRecords, EventTextsAreUtf8AsSentOrReadAsLatin1) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"Temperature 40\260C", "Temperature 40\302\260C"},  // octal: a hex escape would take the C
      {"Temp\xc3\xa9rature \xe2\x82\xac \xf0\x9f\x90\x9f",
       "Temp\xc3\xa9rature \xe2\x82\xac \xf0\x9f\x90\x9f"},
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                          // overlong
      {"\xe0\x80\xaf", "\xc3\xa0\xc2\x80\xc2\xaf"},              // overlong
      {"\xf0\x80\x80\xaf", "\xc3\xb0\xc2\x80\xc2\x80\xc2\xaf"},  // overlong
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},              // a surrogate
      {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"},  // above U+10FFFF
      {"ok \xe2\x82", "ok \xc3\xa2\xc2\x82"},                    // cut short
      {"\x80\xff", "\xc2\x80\xc3\xbf"},
  };
  for (const auto& [sent, text] : cases) {
    EXPECT_EQ(Event(std::string(sent) + '\0', sent.size() + 1).value_or(ZqEvent{}).text, text) << sent;
  }
}

}  // namespace
