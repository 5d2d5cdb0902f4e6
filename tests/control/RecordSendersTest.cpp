// The control device's record senders: sizes, header fields, targets, and when nothing is sent.
#include <gtest/gtest.h>

#include <cstring>

#include "ControlDeviceFixture.h"
#include "tavrin/CExTime.h"
#include "tavrin/CaptureIoHandler.h"

namespace {

using RecordSenders = ControlDeviceTest;

TEST_F(RecordSenders, RemoteControlWithoutPayloadIs92Bytes) {
  ControlDeviceProbe probe(device_);
  EXPECT_TRUE(probe.SendRemoteControlRecord(1101, nullptr, 0, -1));

  const std::string expected =
      "05003c00ffff0000"
      "5c000000"
      "0000000000000000"
      "tttttttttttttttttttt"
      "0100"
      "4c1d0000"
      "581b0000"
      "0000"
      "0000"
      "00000000"
      "0100"
      "0000000000000000000000000000"
      "4d040000"
      "4d040000"
      "0807060504030201"
      "0000000000000000"  // 1101, ticket 1101, tracking number
      "00000000";         // trailing bytes
  ASSERT_EQ(SentHex().size(), 1U);
  EXPECT_EQ(SentHex()[0], expected);
}

TEST_F(RecordSenders, SingleRecordRequestAsksForTheTypeAsU32) {
  ControlDeviceProbe probe(device_);
  EXPECT_TRUE(probe.SingleRecordRequest(7503, -1));

  const std::string expected =
      "05003c00ffff0000"
      "60000000"
      "0000000000000000"
      "tttttttttttttttttttt"
      "0100"
      "4c1d0000"
      "581b0000"
      "0000"
      "0000"
      "00000000"
      "0100"
      "0000000000000000000000000000"
      "1a040000"
      "1a040000"
      "0807060504030201"
      "0000000000000000"  // 1050, ticket 1050
      "4f1d0000"          // 7503
      "00000000";
  ASSERT_EQ(SentHex().size(), 1U);
  EXPECT_EQ(SentHex()[0], expected);
}

TEST_F(RecordSenders, SingleValueRecordCarriesTheFloatAt64) {
  ControlDeviceProbe probe(device_);
  EXPECT_TRUE(probe.Send76xxRecord(7612, 1.5F));

  const std::string expected =
      "05003c00ffff0000"
      "48000000"
      "0000000000000000"
      "tttttttttttttttttttt"
      "0100"
      "bc1d0000"
      "581b0000"
      "0000"
      "0000"
      "00000000"
      "0100"
      "0000000000000000000000000000"
      "0000c03f"   // f32 1.5
      "00000000";  // 72 bytes in all
  ASSERT_EQ(SentHex().size(), 1U);
  EXPECT_EQ(SentHex()[0], expected);
}

TEST_F(RecordSenders, RecordWithCallerDataIs68PlusItsLength) {
  ControlDeviceProbe probe(device_);
  const unsigned char data[5] = {1, 0, 2, 0, 3};
  EXPECT_TRUE(probe.SendRecord(1020, data, sizeof(data)));

  ASSERT_EQ(SentHex().size(), 1U);
  EXPECT_EQ(SentHex()[0], ExpectedHeader(73, 1020, 7000, 0) + "0100020003" + ZeroHex(4));
}

TEST_F(RecordSenders, PayloadIsCopiedUnchanged) {
  ControlDeviceProbe probe(device_);
  const unsigned char payload[3] = {0xAB, 0x00, 0xCD};
  EXPECT_TRUE(probe.SendRemoteControlRecord(1011, payload, sizeof(payload), -1));
  ASSERT_EQ(SentHex().size(), 1U);
  EXPECT_EQ(SentHex()[0], ExpectedRemoteControl(1011, "ab00cd"));
}

TEST_F(RecordSenders, OwnDeviceEnumStandsInForMinusOne) {
  socket_->SetZqDeviceId(2, 7012);
  device_.SetZqDeviceEnum(2);
  ControlDeviceProbe probe(device_);

  EXPECT_TRUE(probe.SendRemoteControlRecord(1100, nullptr, 0, -1));
  EXPECT_TRUE(probe.Send76xxRecord(7611, 40.0F));
  EXPECT_TRUE(probe.SendRecord(1020, "\x01", 1));

  const auto sent = SentHex();
  ASSERT_EQ(sent.size(), 3U);
  EXPECT_EQ(sent[0], ExpectedRemoteControl(1100, "", 7012, 2));
  EXPECT_EQ(sent[1], ExpectedHeader(72, 7611, 7012, 2) + "00002042" + ZeroHex(4));
  EXPECT_EQ(sent[2], ExpectedHeader(69, 1020, 7012, 2) + "01" + ZeroHex(4));
}

TEST_F(RecordSenders, AnotherHeadIsAddressedByItsOwnIdentifier) {
  socket_->SetZqDeviceId(1, 7001);
  ControlDeviceProbe probe(device_);

  EXPECT_TRUE(probe.SendRemoteControlRecord(1101, nullptr, 0, 1));
  EXPECT_TRUE(probe.SingleRecordRequest(7003, 1));

  const auto sent = SentHex();
  ASSERT_EQ(sent.size(), 2U);
  EXPECT_EQ(sent[0], ExpectedRemoteControl(1101, "", 7001, 1));
  EXPECT_EQ(sent[1], ExpectedRemoteControl(1050, "5b1b0000", 7001, 1));
}

TEST_F(RecordSenders, DeviceEnumIsNarrowedTo16Bits) {
  socket_->SetZqDeviceId(3, 7003);
  ControlDeviceProbe probe(device_);
  EXPECT_TRUE(probe.SendRemoteControlRecord(1101, nullptr, 0, 0x10003));
  ASSERT_EQ(SentHex().size(), 1U);
  EXPECT_EQ(SentHex()[0], ExpectedRemoteControl(1101, "", 7003, 3));
}

TEST_F(RecordSenders, HeadUnknownToTheSocketSendsNothing) {
  device_.SetZqDeviceEnum(5);
  ControlDeviceProbe probe(device_);

  EXPECT_FALSE(probe.SendRemoteControlRecord(1003, nullptr, 0, -1));
  EXPECT_FALSE(probe.SendRemoteControlRecord(1003, nullptr, 0, 9));
  EXPECT_FALSE(probe.Send76xxRecord(7611, 1.0F));
  EXPECT_FALSE(probe.SendRecord(1020, "\x01", 1));
  EXPECT_FALSE(probe.SingleRecordRequest(7503, -1));
  EXPECT_EQ(SentCount(), 0U);
}

TEST_F(RecordSenders, PortThatIsNoSonarSocketSendsNothing) {
  CaptureIoHandler plainPort;
  device_.SetPortPtr(&plainPort);
  ControlDeviceProbe probe(device_);

  EXPECT_FALSE(probe.SendRemoteControlRecord(1003, nullptr, 0, -1));
  EXPECT_FALSE(probe.Send76xxRecord(7611, 1.0F));
  EXPECT_FALSE(probe.SingleRecordRequest(7503, -1));
  EXPECT_TRUE(plainPort.Records().empty());

  device_.SetPortPtr(nullptr);
  EXPECT_FALSE(probe.SendRemoteControlRecord(1003, nullptr, 0, -1));
  EXPECT_EQ(SentCount(), 0U);
}

TEST_F(RecordSenders, TimeStampIsTheTimeOfSending) {
  ControlDeviceProbe probe(device_);
  tagTIMEZQ before;
  CExTime::TimeToZqTime(CExTime::GetCurTime(), &before);
  probe.SendRemoteControlRecord(1101, nullptr, 0, -1);

  const std::vector<CString> records = capture_->Records();
  ASSERT_EQ(records.size(), 1U);
  const std::string& bytes = records[0].Str();
  const unsigned year = static_cast<unsigned char>(bytes[20]) | static_cast<unsigned char>(bytes[21]) << 8;
  const unsigned day = static_cast<unsigned char>(bytes[22]) | static_cast<unsigned char>(bytes[23]) << 8;
  // Sent within a second of `before`, so the stamp names the same day unless midnight fell in between.
  EXPECT_TRUE(year == before.year || year == before.year + 1U);
  EXPECT_TRUE(day == before.day || day == before.day + 1U || day == 1U);
  EXPECT_LT(static_cast<unsigned char>(bytes[28]), 24);
  EXPECT_LT(static_cast<unsigned char>(bytes[29]), 60);
}

}  // namespace
