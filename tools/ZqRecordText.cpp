// Describing Zq records: frame header fields, remote-control names and payload layouts.
#include "tools/ZqRecordText.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"

namespace {

using zqwire::kDeviceEnumOffset;
using zqwire::kDeviceIdOffset;
using zqwire::kTrailerSize;
constexpr std::size_t kHeaderSize = zqwire::kFrameHeaderSize;
constexpr std::size_t kSizeOffset = zqwire::kRecordSizeOffset;
constexpr std::size_t kTypeOffset = zqwire::kRecordTypeOffset;
constexpr std::uint32_t kRemoteControlType = zqwire::kRemoteControlRecordType;
constexpr std::size_t kRemoteControlHeaderSize =
    zqwire::kRemoteControlPayloadOffset - zqwire::kFrameHeaderSize;

// How a payload is laid out: a field code per character.
//   b  u8     h  u16    i  i32    u  u32    x  u32 flags, in hex    f  f32    d  f64
//   a  f32 angle in radians (shown in degrees too)
//   S  a 256-byte zero-terminated text (a name)
//   L  u16, u16, u16 count, then count u32 record types
// A payload that ends where a field would start is a shorter form of the record (the dual-head
// disconnect carries only the first u32 of the connect).
struct Layout {
  std::uint32_t number;  // remote-control ID, or record type
  const char* name;
  const char* fields;
};

constexpr std::array kRemoteControls{
    Layout{1002, "calibration", "h"},
    Layout{1003, "range", "f"},
    Layout{1004, "maximum ping rate", "f"},
    Layout{1005, "power", "f"},
    Layout{1006, "pulse length", "f"},
    Layout{1007, "pulse type", "i"},
    Layout{1008, "gain", "f"},
    Layout{1009, "gate flags", "x"},
    Layout{1010, "absolute gates", "ffffa"},
    Layout{1011, "projector", "i"},
    Layout{1014, "system mode", "h"},
    Layout{1016, "adaptive gates", "iff"},
    Layout{1017, "gain mode", "i"},
    Layout{1021, "beam steering", "aa"},
    Layout{1022, "beam widths", "aa"},
    Layout{1026, "CW frequency", "f"},
    Layout{1027, "FM frequencies", "ff"},
    Layout{1033, "motion compensation", "bb"},
    Layout{1035, "coverage sector", "aa"},
    Layout{1036, "coverage mode", "b"},
    Layout{1037, "motion sensor", "bbbbbbf"},
    Layout{1038, "flexible coverage", "aaf"},
    Layout{1039, "beam mode", "h"},
    Layout{1050, "single record request", "u"},
    Layout{1100, "ping on", ""},
    Layout{1101, "ping off", ""},
    Layout{1102, "load factory parameters", ""},
    Layout{1107, "trigger", ""},
    Layout{1114, "trigger input", "b"},
    Layout{1115, "trigger output", "xdd"},
    Layout{1116, "PPS and trigger edges", "x"},
    Layout{1200, "start recording", "uS"},
    Layout{1201, "stop recording", ""},
    Layout{1207, "recording directory", "S"},
    Layout{1209, "recorded record types", "L"},
    Layout{1500, "dual head", "uuf"},
    Layout{7610, "sound velocity", "hfb"},
};

constexpr std::array kRecords{
    Layout{1020, "installation identifiers",
           "uuuuu"
           "ffffffffff"
           "ffffffffff"
           "f"},
    Layout{7611, "absorption", "f"},
    Layout{7612, "spreading loss", "f"},
};

const Layout* FindLayout(std::span<const Layout> table, std::uint32_t number) {
  for (const Layout& layout : table) {
    if (layout.number == number) return &layout;
  }
  return nullptr;
}

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
  const auto missing = [&](const char* what) { return text + "(missing " + what + ")"; };
  for (const char field : layout) {
    if (used == payload.Size()) break;  // a shorter form of the same record ends at a field boundary
    if (!text.empty()) text += ' ';
    switch (field) {
      case 'b': {
        const auto value = payload.U8(used);
        if (!value) return missing("u8");
        text += "u8 " + std::to_string(*value);
        used += 1;
        break;
      }
      case 'h': {
        const auto value = payload.U16(used);
        if (!value) return missing("u16");
        text += "u16 " + std::to_string(*value);
        used += 2;
        break;
      }
      case 'i': {
        const auto value = payload.I32(used);
        if (!value) return missing("i32");
        text += "i32 " + std::to_string(*value);
        used += 4;
        break;
      }
      case 'u':
      case 'x': {
        const auto value = payload.U32(used);
        if (!value) return missing("u32");
        char hex[16];
        std::snprintf(hex, sizeof(hex), "0x%x", static_cast<unsigned>(*value));
        text += "u32 " + (field == 'x' ? std::string(hex) : std::to_string(*value));
        used += 4;
        break;
      }
      case 'f':
      case 'a': {
        const auto value = payload.F32(used);
        if (!value) return missing("f32");
        text += "f32 " + Number(*value);
        if (field == 'a') text += " (" + Number(*value * kRadiansToDegrees) + " deg)";
        used += 4;
        break;
      }
      case 'd': {
        const auto value = payload.F64(used);
        if (!value) return missing("f64");
        text += "f64 " + Number(*value);
        used += 8;
        break;
      }
      case 'S': {
        const auto name = payload.Bytes(used, 256);
        if (!name) return missing("name");
        std::string characters;
        for (const std::byte b : *name) {
          if (b == std::byte{0}) break;
          characters += static_cast<char>(b);
        }
        text += "\"" + characters + "\"";
        used += 256;
        break;
      }
      case 'L': {
        const auto count = payload.U16(used + 4);
        if (!count) return missing("record type count");
        text += "record types";
        used += 6;
        for (unsigned i = 0; i < *count; ++i, used += 4) {
          const auto type = payload.U32(used);
          if (!type) return missing("record type");
          text += " " + std::to_string(*type);
        }
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
    const Layout* known = FindLayout(kRemoteControls, id);
    line += " remote control " + std::to_string(id);
    if (known != nullptr) line += " (" + std::string(known->name) + ")";
    line += " to " + target + ", " + sizeText;
    const std::size_t payloadStart = kHeaderSize + kRemoteControlHeaderSize;
    const le::ByteReader payload(record.substr(payloadStart, dataEnd - payloadStart));
    std::size_t used = 0;
    const std::string fields = known != nullptr ? DecodeFields(payload, known->fields, used) : std::string();
    const std::string decoded = Join(fields, DescribeRemainder(payload, used));
    return line + ": " + (decoded.empty() ? "no payload" : decoded);
  }

  const Layout* known = FindLayout(kRecords, type);
  if (known != nullptr) line.append(" (").append(known->name).append(")");
  line.append(" to ").append(target).append(", ").append(sizeText);
  const le::ByteReader data(record.substr(kHeaderSize, dataEnd - kHeaderSize));
  std::size_t used = 0;
  const std::string fields = known != nullptr ? DecodeFields(data, known->fields, used) : std::string();
  const std::string decoded = Join(fields, DescribeRemainder(data, used));
  return line + ": " + (decoded.empty() ? "no data" : decoded);
}
