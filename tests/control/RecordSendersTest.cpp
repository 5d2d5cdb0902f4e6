// The control device's record senders: sizes, header fields, targets, and when nothing is sent.
#include <gtest/gtest.h>

#include "platform/tavrin/CExTime.h"
#include "platform/tavrin/CaptureIoHandler.h"
#include "tests/control/ControlDeviceFixture.h"

namespace {

using RecordSenders = ControlDeviceTest;

TEST_F(RecordSenders, WritesRemoteControlSingleValueAndRequestRecordsToTheByte) {
  ControlDeviceProbe probe(device_);
  EXPECT_TRUE(probe.SendRemoteControlRecord(1101, nullptr, 0, -1));
  EXPECT_TRUE(probe.SingleRecordRequest(7503, -1));
  EXPECT_TRUE(probe.Send76xxRecord(7612, 1.5F));
  const unsigned char data[5] = {1, 0, 2, 0, 3};
  EXPECT_TRUE(probe.SendRecord(1020, data, sizeof(data)));

  const std::string headerTo20 = Fields("0500 3c00 ffff0000");
  const std::string headerFrom30 = Fields("0100 4c1d0000 581b0000 0000 0000 00000000 0100") + ZeroHex(14);
  const std::string stamp(20, 't');
  const std::vector<std::string> expected = {
      // 92 bytes: remote control 1101, ticket 1101, tracking number, 8 zero bytes, trailing bytes.
      headerTo20 + Fields("5c000000 0000000000000000") + stamp + headerFrom30 +
          Fields("4d040000 4d040000 0807060504030201 0000000000000000 00000000"),
      // 96 bytes: remote control 1050 asking for record type 7503.
      headerTo20 + Fields("60000000 0000000000000000") + stamp + headerFrom30 +
          Fields("1a040000 1a040000 0807060504030201 0000000000000000 4f1d0000 00000000"),
      // 72 bytes: record type 7612 with f32 1.5 at byte 64.
      headerTo20 + Fields("48000000 0000000000000000") + stamp +
          Fields("0100 bc1d0000 581b0000 0000 0000 00000000 0100") + ZeroHex(14) +
          Fields("0000c03f 00000000"),
      // 68 + 5 bytes: record type 1020 with the caller's data section.
      ExpectedHeader(73, 1020, 7000, 0) + "0100020003" + ZeroHex(4),
  };
  EXPECT_EQ(SentHex(), expected);
}

TEST_F(RecordSenders, AddressesTheOwnHeadForMinusOneAndAnyOtherHeadByItsIdentifier) {
  socket_->SetZqDeviceId(1, 7001);
  socket_->SetZqDeviceId(2, 7012);
  device_.SetZqDeviceEnum(2);
  ControlDeviceProbe probe(device_);

  EXPECT_TRUE(probe.SendRemoteControlRecord(1100, nullptr, 0, -1));
  EXPECT_TRUE(probe.Send76xxRecord(7611, 40.0F));
  EXPECT_TRUE(probe.SingleRecordRequest(7003, 1));
  EXPECT_TRUE(probe.SendRemoteControlRecord(1101, nullptr, 0, 0x10001));  // narrowed to 16 bits: head 1

  const std::vector<std::string> expected = {
      ExpectedRemoteControl(1100, "", 7012, 2),
      ExpectedHeader(72, 7611, 7012, 2) + "00002042" + ZeroHex(4),
      ExpectedRemoteControl(1050, "5b1b0000", 7001, 1),
      ExpectedRemoteControl(1101, "", 7001, 1),
  };
  EXPECT_EQ(SentHex(), expected);
}

TEST_F(RecordSenders, SendNothingWithoutSonarSocketOrKnownHead) {
  ControlDeviceProbe probe(device_);
  CaptureIoHandler plainPort;
  for (BaseIOHandler* port :
       {static_cast<BaseIOHandler*>(socket_.get()), static_cast<BaseIOHandler*>(&plainPort),
        static_cast<BaseIOHandler*>(nullptr)}) {
    device_.SetPortPtr(port);
    device_.SetZqDeviceEnum(5);  // a head the socket does not know
    EXPECT_FALSE(probe.SendRemoteControlRecord(1003, nullptr, 0, -1));
    EXPECT_FALSE(probe.SendRemoteControlRecord(1003, nullptr, 0, 9));
    EXPECT_FALSE(probe.Send76xxRecord(7611, 1.0F));
    EXPECT_FALSE(probe.SendRecord(1020, "\x01", 1));
    EXPECT_FALSE(probe.SingleRecordRequest(7503, -1));
  }
  EXPECT_TRUE(SentHex().empty());
  EXPECT_TRUE(plainPort.Records().empty());
}

TEST_F(RecordSenders, StampsTheTimeOfSending) {
  tagTIMEZQ now;
  CExTime::TimeToZqTime(CExTime::GetCurTime(), &now);
  ControlDeviceProbe(device_).SendRemoteControlRecord(1101, nullptr, 0, -1);

  const std::string bytes = capture_->Records().at(0).Str();
  const unsigned year = static_cast<unsigned char>(bytes[20]) | static_cast<unsigned char>(bytes[21]) << 8;
  EXPECT_TRUE(year == now.year || year == now.year + 1U);  // the new year may begin in between
  EXPECT_LT(static_cast<unsigned char>(bytes[28]), 24);
  EXPECT_LT(static_cast<unsigned char>(bytes[29]), 60);
}

}  // namespace
