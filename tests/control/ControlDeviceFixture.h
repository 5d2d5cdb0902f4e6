// A control device attached to a capturing sonar socket, and helpers to write expected records.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "platform/zq/KavoSocketIoHandler.h"

// Reaches the control device's record senders, which are private to it.
class ControlDeviceProbe {
 public:
  explicit ControlDeviceProbe(KavoSonarConfigurationControlDevice& device) : device_(device) {}
  bool SendRemoteControlRecord(unsigned long id, const void* data, unsigned long length, int deviceEnum) {
    return device_.SendRemoteControlRecord(id, data, length, deviceEnum);
  }
  bool Send76xxRecord(unsigned long type, float value) { return device_.Send76xxRecord(type, value); }
  bool SendRecord(unsigned long type, const void* data, unsigned long length) {
    return device_.SendRecord(type, data, length);
  }
  bool SingleRecordRequest(unsigned long type, int deviceEnum) {
    return device_.SingleRecordRequest(type, deviceEnum);
  }

 private:
  KavoSonarConfigurationControlDevice& device_;
};

// Little-endian hex of the low `bytes` bytes of value.
inline std::string LeHex(unsigned long long value, int bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (int i = 0; i < bytes; ++i, value >>= 8) {
    hex += kDigits[(value >> 4) & 0xF];
    hex += kDigits[value & 0xF];
  }
  return hex;
}

inline std::string ZeroHex(std::size_t bytes) {
  return std::string(bytes * 2, '0');
}

// Hex of a record with its 10 time-stamp bytes (20 to 29) shown as "tt": the stamp is the time of
// sending, checked on its own.
inline std::string HexWithoutTime(const std::string& bytes) {
  std::string hex;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    hex += (i >= 20 && i < 30) ? "tt" : LeHex(static_cast<unsigned char>(bytes[i]), 1);
  return hex;
}

// Hex written with spaces between fields for reading, without them for comparing.
inline std::string Fields(std::string_view spacedHex) {
  std::string hex;
  for (const char c : spacedHex) {
    if (c != ' ') hex += c;
  }
  return hex;
}

// The frame header of a record as the sonar expects it, time stamp masked.
inline std::string ExpectedHeader(unsigned size, unsigned type, unsigned deviceId, unsigned deviceEnum) {
  return Fields("0500 3c00 ffff0000") + LeHex(size, 4) + ZeroHex(8) + std::string(20, 't') + "0100" +
         LeHex(type, 4) + LeHex(deviceId, 4) + "0000" + LeHex(deviceEnum, 2) + ZeroHex(4) + "0100" +
         ZeroHex(14);
}

inline constexpr unsigned long long kTrackingNumber = 0x0102030405060708ULL;

// A remote-control record to head (deviceId, deviceEnum) from a device with kTrackingNumber.
inline std::string ExpectedRemoteControl(unsigned id, const std::string& payloadHex, unsigned deviceId = 7000,
                                         unsigned deviceEnum = 0) {
  const auto payloadBytes = static_cast<unsigned>(payloadHex.size() / 2);
  return ExpectedHeader(92 + payloadBytes, 7500, deviceId, deviceEnum) + LeHex(id, 4) + LeHex(id, 4) +
         LeHex(kTrackingNumber, 8) + ZeroHex(8) + payloadHex + ZeroHex(4);
}

class ControlDeviceTest : public ::testing::Test {
 protected:
  ControlDeviceTest() {
    auto transport = std::make_unique<ZqCaptureTransport>();
    capture_ = transport.get();
    socket_ = std::make_unique<KavoSocketIoHandler>(std::move(transport));
    socket_->SetZqDeviceId(0, 7000);
    device_.SetTrackingNumber(kTrackingNumber);
    device_.SetPortPtr(socket_.get());
  }

  CAttributeMap& Attributes() { return device_.GetAttributes(); }
  CAttributeMap& Request() { return *Attributes().FindCreate("Request"); }
  std::vector<std::string> SentHex() const {
    std::vector<std::string> hex;
    for (const CString& record : capture_->Records()) hex.push_back(HexWithoutTime(record.Str()));
    return hex;
  }

  KavoSonarConfigurationControlDevice device_;
  ZqCaptureTransport* capture_ = nullptr;
  std::unique_ptr<KavoSocketIoHandler> socket_;
};
