// Describing Zq records: frame header fields, remote-control names and payload layouts.
#include "ZqRecordText.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tavrin/LittleEndian.h"

namespace {

// Frame header fields read here (the sonar side defines them; the plug-in writes the same offsets).
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kSizeOffset = 8;
constexpr std::size_t kTypeOffset = 32;
constexpr std::size_t kDeviceIdOffset = 36;
constexpr std::size_t kDeviceEnumOffset = 42;
constexpr std::size_t kTrailerSize = 4;
constexpr std::uint32_t kRemoteControlType = 7500;
constexpr std::size_t kRemoteControlHeaderSize = 24;

// How a payload is laid out: a field code per character.
//   f  f32          a  f32 angle in radians (shown in degrees too)
//   i  i32          u  u32
//   T  u32 then a 256-byte zero-terminated name (start recording)
struct RemoteControl {
  std::uint32_t id;
  const char* name;
  const char* layout;
};

constexpr std::array kRemoteControls{
    RemoteControl{1003, "range", "f"},           RemoteControl{1004, "maximum ping rate", "f"},
    RemoteControl{1005, "power", "f"},           RemoteControl{1006, "pulse length", "f"},
    RemoteControl{1007, "pulse type", "i"},      RemoteControl{1008, "gain", "f"},
    RemoteControl{1021, "beam steering", "aa"},  RemoteControl{1050, "single record request", "u"},
    RemoteControl{1100, "ping on", ""},          RemoteControl{1101, "ping off", ""},
    RemoteControl{1200, "start recording", "T"}, RemoteControl{1201, "stop recording", ""},
};

struct SingleValueRecord {
  std::uint32_t type;
  const char* name;
};

constexpr std::array kSingleValueRecords{
    SingleValueRecord{7611, "absorption"},
    SingleValueRecord{7612, "spreading loss"},
};

std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.9g", value);
  return text;
}

// Decodes payload bytes by layout; returns the text and how many bytes the layout used.
std::string DecodeFields(const le::ByteReader& payload, std::string_view layout, std::size_t& used) {
  constexpr double kRadiansToDegrees = 180.0 / 3.14159265358979323846;
  std::string text;
  used = 0;
  for (const char field : layout) {
    if (!text.empty()) text += ' ';
    switch (field) {
      case 'f':
      case 'a': {
        const auto value = payload.F32(used);
        if (!value) return text + "(missing f32)";
        text += "f32 " + Number(*value);
        if (field == 'a') text += " (" + Number(*value * kRadiansToDegrees) + " deg)";
        used += 4;
        break;
      }
      case 'i': {
        const auto value = payload.I32(used);
        if (!value) return text + "(missing i32)";
        text += "i32 " + std::to_string(*value);
        used += 4;
        break;
      }
      case 'u': {
        const auto value = payload.U32(used);
        if (!value) return text + "(missing u32)";
        text += "u32 " + std::to_string(*value);
        used += 4;
        break;
      }
      case 'T': {
        const auto head = payload.U32(used);
        const auto name = payload.Bytes(used + 4, 256);
        if (!head || !name) return text + "(missing recording name)";
        std::string fileName;
        for (const std::byte b : *name) {
          if (b == std::byte{0}) break;
          fileName += static_cast<char>(b);
        }
        text += "u32 " + std::to_string(*head) + " name \"" + fileName + "\"";
        used += 260;
        break;
      }
      default:
        return text + "(unknown layout)";
    }
  }
  return text;
}

std::string DescribeRemainder(const le::ByteReader& payload, std::size_t from) {
  if (from >= payload.Size()) return {};
  const auto rest = *payload.Bytes(from, payload.Size() - from);
  bool allZero = true;
  for (const std::byte b : rest) allZero = allZero && b == std::byte{0};
  const std::string count = std::to_string(rest.size());
  if (allZero) return count + " zero bytes";
  return count + " bytes " + ToHex(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
}

std::string Join(std::string a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + ", " + b;
}

}  // namespace

std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

std::string DescribeZqRecord(std::string_view record) {
  const le::ByteReader reader(record);
  if (reader.Size() < kHeaderSize + kTrailerSize) {
    return "short record of " + std::to_string(reader.Size()) + " bytes";
  }
  const std::uint32_t type = *reader.U32(kTypeOffset);
  const std::uint32_t size = *reader.U32(kSizeOffset);
  const std::string target = "enum " + std::to_string(*reader.U16(kDeviceEnumOffset)) + " id " +
                             std::to_string(*reader.U32(kDeviceIdOffset));
  std::string line = "type " + std::to_string(type);
  const std::string sizeText =
      std::to_string(reader.Size()) + " bytes" +
      (size == reader.Size() ? "" : " (size field says " + std::to_string(size) + ")");
  const std::size_t dataEnd = reader.Size() - kTrailerSize;

  if (type == kRemoteControlType) {
    if (dataEnd < kHeaderSize + kRemoteControlHeaderSize)
      return line + " to " + target + ", " + sizeText + ", short";
    const std::uint32_t id = *reader.U32(kHeaderSize);
    const RemoteControl* known = nullptr;
    for (const RemoteControl& rc : kRemoteControls) {
      if (rc.id == id) known = &rc;
    }
    line += " remote control " + std::to_string(id);
    if (known != nullptr) line += " (" + std::string(known->name) + ")";
    line += " to " + target + ", " + sizeText;
    const std::size_t payloadStart = kHeaderSize + kRemoteControlHeaderSize;
    const le::ByteReader payload(record.substr(payloadStart, dataEnd - payloadStart));
    std::size_t used = 0;
    const std::string fields = known != nullptr ? DecodeFields(payload, known->layout, used) : std::string();
    const std::string decoded = Join(fields, DescribeRemainder(payload, used));
    return line + ": " + (decoded.empty() ? "no payload" : decoded);
  }

  for (const SingleValueRecord& single : kSingleValueRecords) {
    if (single.type != type) continue;
    line.append(" (").append(single.name).append(") to ").append(target).append(", ").append(sizeText);
    const auto value = reader.F32(kHeaderSize);
    if (!value || dataEnd < kHeaderSize + 4) return line + ": (missing f32)";
    return line + ": f32 " + Number(*value);
  }

  const le::ByteReader data(record.substr(kHeaderSize, dataEnd - kHeaderSize));
  const std::string rest = DescribeRemainder(data, 0);
  return line + " to " + target + ", " + sizeText + ": " + (rest.empty() ? "no data" : rest);
}
