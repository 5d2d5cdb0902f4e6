// The sonar socket's receive side: it learns heads from the records it receives and hands each record
// to the devices that drive the head it comes from.
#include "platform/zq/KavoSocketIoHandler.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/zq/KavoDevice.h"
#include "platform/zq/ZqWireFormat.h"

namespace {

class RecordingDevice : public KavoDevice {
 public:
  void ProcessMessage(char* data, int length) override {
    types.push_back(
        zqwire::ReadHeader(std::as_bytes(std::span(data, static_cast<std::size_t>(length)))).recordType);
  }
  std::vector<std::uint32_t> types;
};

TEST(KavoSocketIoHandlerTest, LearnsHeadsAndRoutesRecordsByTheHeadsDeviceIdentifier) {
  KavoSocketIoHandler socket(std::make_unique<ZqCaptureTransport>());
  socket.SetZqDeviceId(0, 7000);  // configured: head 0 of sonar 7000
  socket.SetZqDeviceId(2, 6999);  // configured wrongly: sonar 7001 reports under enum 2 below
  RecordingDevice shallow;        // drives device enum 0
  RecordingDevice deep;
  deep.SetZqDeviceEnum(2);
  socket.AttachDevice(&shallow);
  socket.AttachDevice(&deep);
  socket.AttachDevice(&shallow);  // attaching twice hands records once

  const auto receive = [&socket](std::uint32_t type, std::uint32_t id, std::uint16_t deviceEnum) {
    const std::string record = zqwire::BuildRecord(type, id, deviceEnum, "", 0.0);
    socket.OnRecord(zqwire::AsBytes(record));
  };
  receive(7000, 7000, 0);
  // Sonar 7000 switched to its second setting set: still the shallow device's records, and enum 1 is
  // now known as sonar 7000.
  receive(7000, 7000, 1);
  receive(7003, 7001, 2);
  receive(7051, 7002, 3);  // a head nobody drives

  EXPECT_EQ(shallow.types, (std::vector<std::uint32_t>{7000, 7000}));
  EXPECT_EQ(deep.types, (std::vector<std::uint32_t>{7003}));
  EXPECT_EQ(socket.GetZqDeviceId(1), 7000u);
  EXPECT_EQ(socket.GetZqDeviceId(2), 7001u);
  EXPECT_EQ(socket.GetZqDeviceId(4), 0u);

  socket.DetachDevice(&shallow);
  receive(7000, 7000, 0);
  EXPECT_EQ(shallow.types.size(), 2u);
  EXPECT_EQ(socket.NumDevices(), 1);
  EXPECT_EQ(socket.GetDevice(0), &deep);
  EXPECT_EQ(socket.GetDevice(1), nullptr);
}

}  // namespace
