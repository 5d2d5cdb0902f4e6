// The system message records a sonar sends, as values: the BITE results (7021), the stored events
// (7050) and a single event (7051). Each decoder reads a whole record, never past its data section;
// what does not fit is left out. Board texts, field names and event texts are valid UTF-8: the bytes
// as they are when they are UTF-8, read as Latin-1 otherwise (SonarTextToUtf8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct ZqBiteField {
  std::string name;
  std::uint8_t kind = 0;
  float lower = 0.0F;
  float upper = 0.0F;
  float value = 0.0F;

  // Fields of kinds 1 and 5 carry no limits.
  bool HasLimits() const { return kind != 1 && kind != 5; }
};

struct ZqBiteBoard {
  // Status flag bits.
  static constexpr std::uint8_t kUplinkError = 1u << 0;
  static constexpr std::uint8_t kDownlinkError = 1u << 1;
  static constexpr std::uint8_t kBiteError = 1u << 2;

  std::string text;
  std::uint8_t id = 0;
  std::uint8_t flags = 0;
  std::vector<ZqBiteField> fields;
};

struct ZqEvent {
  // Event types 0, 1 and 4 are information, 2 and 5 warnings, 3 and 6 errors.
  std::uint16_t type = 0;
  std::uint32_t number = 0;
  std::string text;
};

class ZqMessageRecords {
 public:
  // The boards of a BITE record, in order. A board whose block does not fit is left out with every
  // board after it; a board whose fields do not all fit keeps those that do and is the last one read.
  static std::vector<ZqBiteBoard> DecodeBite(std::span<const std::byte> record);
  // The events of a stored-events record, in order, as many as fit (whatever their count says). An
  // event whose text runs past the record keeps the part that is there and is the last one read.
  static std::vector<ZqEvent> DecodeEventList(std::span<const std::byte> record);
  // The event of an event record; nothing when its fields do not fit. The text is read up to its zero
  // whatever its length field says; one with no zero keeps the part that is there.
  static std::optional<ZqEvent> DecodeEvent(std::span<const std::byte> record);
};
