// A control device on a capturing sonar socket at a known time, the records it should send written by
// hand, and request cases: stored and requested before each pass, sent, and left pending and stored.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "platform/tavrin/AttributeMapJson.h"
#include "platform/tavrin/CExTime.h"
#include "platform/zq/KavoSocketIoHandler.h"
#include "tests/tools/HexBytes.h"

// 2024-05-06 07:08:09.5 UTC: 19849 days after 1970-01-01 (54 years with 13 leap days, then 126 days of
// 2024), plus 7 h 8 min 9.5 s. Its record time stamp: year 2024, day 127, f32 9.5 s, 07:08.
inline constexpr double kMay6th2024 = 19849.0 * 86400.0 + 7 * 3600 + 8 * 60 + 9.5;
inline constexpr unsigned long long kTrackingNumber = 0x0102030405060708ULL;

// Hex of a record with its 10 time-stamp bytes (20 to 29) shown as "tt", for records sent at a time
// not known in advance.
inline std::string HexWithoutTime(std::string_view bytes) {
  return Hex(bytes).replace(40, 20, 20, 't');
}
// The frame header of a record as the sonar expects it, time stamp masked.
inline std::string ExpectedHeader(unsigned size, unsigned type, unsigned deviceId, unsigned deviceEnum) {
  return Fields("0500 3c00 ffff0000") + LeHex(size, 4) + LeHex(0, 8) + std::string(20, 't') + "0100" +
         LeHex(type, 4) + LeHex(deviceId, 4) + "0000" + LeHex(deviceEnum, 2) + LeHex(0, 4) + "0100" +
         LeHex(0, 14);
}
// A remote-control record, time stamp masked: frame header, id as remote-control id and ticket, the
// tracking number, eight zero bytes, the payload (hex, spaces allowed) and the four trailing bytes.
inline std::string ExpectedRemoteControl(unsigned id, std::string_view payload, unsigned deviceId = 7000,
                                         unsigned deviceEnum = 0,
                                         unsigned long long tracking = kTrackingNumber) {
  const std::string payloadHex = Fields(payload);
  return ExpectedHeader(static_cast<unsigned>(92 + payloadHex.size() / 2), 7500, deviceId, deviceEnum) +
         LeHex(id, 4) + LeHex(id, 4) + LeHex(tracking, 8) + LeHex(0, 8) + payloadHex + LeHex(0, 4);
}
// The expected hex of a record sent at kMay6th2024.
inline std::string Stamped(std::string hex) {
  return hex.replace(40, 20, "e8077f00000018410708");
}
// A remote control from the device under test, to head 0 (7000) unless told otherwise.
inline std::string Rc(unsigned id, std::string_view payload, unsigned deviceId = 7000,
                      unsigned deviceEnum = 0) {
  return Stamped(ExpectedRemoteControl(id, payload, deviceId, deviceEnum));
}
// A single-value record (76xx) with its f32 in hex.
inline std::string SingleValue(unsigned type, std::string_view f32, unsigned deviceId = 7000,
                               unsigned deviceEnum = 0) {
  return Stamped(ExpectedHeader(72, type, deviceId, deviceEnum) + Fields(f32) + LeHex(0, 4));
}

// Attribute maps as JSON, as the API and stored files write them, or short for flat maps: "ZqRange=d:250
// ZqTrigger=b:true" (d double, i int, b bool, t text, is ints, d2 double2d, m map; no spaces in a value).
inline CAttributeMap Json(const std::string& text) {
  static const std::map<std::string, std::string> kTypes = {
      {"d", "double"}, {"i", "int"},       {"b", "bool"}, {"t", "text"},
      {"is", "ints"},  {"d2", "double2d"}, {"m", "map"}};
  const bool isShort = !text.empty() && text[0] != '{' && text[0] != '[';
  std::string json = isShort ? "{" : text.empty() ? "[]" : text;
  std::istringstream entries(isShort ? text : "");
  for (std::string key, type, value;
       std::getline(entries >> std::ws, key, '=') && std::getline(entries, type, ':') && entries >> value;) {
    const bool quoted = type == "t" || value == "NaN";
    json += (json.size() > 1 ? ", \"" : "\"") + key + "\": {\"" + kTypes.at(type) +
            "\": " + (quoted ? '"' + value + '"' : value) + "}";
  }
  if (isShort) json += "}";
  CAttributeMap map;
  const AttributeMapParseResult result = ReadAttributeMapJson(json, map);
  EXPECT_TRUE(result.ok) << result.error << " in " << json;
  return map;
}
// The map without "Request", its entries sorted by key, as JSON: stored attributes whatever their order.
inline std::string SortedJson(const CAttributeMap& map) {
  std::vector<const CAttributeMap::Entry*> entries;
  for (const CAttributeMap::Entry& entry : map.Entries())
    if (entry.key != CString("Request")) entries.push_back(&entry);
  std::stable_sort(entries.begin(), entries.end(),
                   [](auto* a, auto* b) { return a->key.Str() < b->key.Str(); });
  CAttributeMap sorted;
  for (const CAttributeMap::Entry* entry : entries)
    entry->IsMap() ? sorted.Append(entry->key, *entry->map) : sorted.Append(entry->key, entry->value);
  return WriteAttributeMapJson(sorted);
}

// One request pass: maps merged into the device's attributes and into "Request" before it, the
// records it sends, and the keys it leaves in "Request".
struct Pass {
  std::string stored, request;
  std::vector<std::string> sent;
  std::vector<std::string> pending = {};
};
inline const std::string kAsRequested = "as requested";
struct RequestCase {
  const char* name;
  std::vector<Pass> passes;
  // What the passes stored, over what was stored before them (kAsRequested: every request of every pass,
  // as requested); nothing else is stored.
  std::string kept = "";
  int deviceEnum = 0;  // the device's own head
};
inline void PrintTo(const RequestCase& c, std::ostream* os) {
  *os << c.name;
}

// The socket knows heads 0 (7000), 1 (7001) and 2 (7012); the device drives head 0 unless told otherwise.
class ControlDeviceTest : public ::testing::Test {
 protected:
  ControlDeviceTest() {
    ::setenv("TZ", "UTC", 1);  // recording file names are local time
    ::tzset();
    CExTime::SetTimeSource([] { return kMay6th2024; });
    auto transport = std::make_unique<ZqCaptureTransport>();
    capture_ = transport.get();
    socket_ = std::make_unique<KavoSocketIoHandler>(std::move(transport));
    for (const auto& [deviceEnum, deviceId] : {std::pair(0, 7000u), {1, 7001u}, {2, 7012u}})
      socket_->SetZqDeviceId(static_cast<unsigned short>(deviceEnum), deviceId);
    device_.SetTrackingNumber(kTrackingNumber);
    device_.SetPortPtr(socket_.get());
  }
  ~ControlDeviceTest() override { CExTime::SetTimeSource(nullptr); }

  CAttributeMap& Attributes() { return device_.GetAttributes(); }
  CAttributeMap& Request() { return *Attributes().FindCreate("Request"); }
  std::vector<std::string> SentHex(std::size_t from = 0) const {
    std::vector<std::string> hex;
    for (std::size_t i = from; i < capture_->Records().size(); ++i)
      hex.push_back(Hex(capture_->Records()[i].Str()));
    return hex;
  }
  std::vector<std::string> PendingKeys() {
    std::vector<std::string> keys;
    for (const CAttributeMap::Entry& entry : Request().Entries()) keys.push_back(entry.key.Str());
    return keys;
  }

  void Run(const RequestCase& c) {
    device_.SetZqDeviceEnum(c.deviceEnum);
    CAttributeMap expected = Attributes();
    for (std::size_t i = 0; i < c.passes.size(); ++i) {
      Attributes().Merge(Json(c.passes[i].stored));
      expected.Merge(Json(c.passes[i].stored));
      Request().Merge(Json(c.passes[i].request));
      const std::size_t before = capture_->Records().size();
      device_.ApplyAttribs(false);
      EXPECT_EQ(SentHex(before), c.passes[i].sent) << "pass " << i;
      EXPECT_EQ(PendingKeys(), c.passes[i].pending) << "pass " << i;
    }
    for (const Pass& pass : c.passes)
      if (c.kept == kAsRequested) expected.Merge(Json(pass.request));
    if (c.kept != kAsRequested) expected.Merge(Json(c.kept));
    EXPECT_EQ(SortedJson(Attributes()), SortedJson(expected));
  }

  KavoSonarConfigurationControlDevice device_;
  ZqCaptureTransport* capture_ = nullptr;
  std::unique_ptr<KavoSocketIoHandler> socket_;
};
