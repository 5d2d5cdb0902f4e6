// The data sections of the records a simulated sonar sends besides its settings: configuration
// (7003), BITE results (7021), one event (7051) and the stored events (7050). The head puts the frame
// header around them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SimEvent {
  // Event types: information, state change, warning, error (as the simulator uses them).
  static constexpr std::uint16_t kInformation = 0;
  static constexpr std::uint16_t kStateChange = 1;
  static constexpr std::uint16_t kWarning = 2;
  static constexpr std::uint16_t kError = 3;

  std::uint32_t number = 0;
  std::uint16_t type = kInformation;
  std::string text;
};

struct SimBiteReading {
  std::string name;
  std::uint8_t kind = 0;
  float lower = 0.0F;
  float upper = 0.0F;
  float value = 0.0F;
};

struct SimBoardReport {
  // Status flag bits.
  static constexpr std::uint8_t kUplinkError = 1u << 0;
  static constexpr std::uint8_t kDownlinkError = 1u << 1;
  static constexpr std::uint8_t kBiteError = 1u << 2;

  std::string text;  // at most 63 bytes travel
  std::uint8_t id = 0;
  std::uint8_t flags = 0;
  std::vector<SimBiteReading> fields;
};

namespace simrecords {

// Layout of a BITE board block and of one of its fields, from the start of each.
inline constexpr std::size_t kBoardBlockSize = 136;
inline constexpr std::size_t kBoardIdOffset = 64;
inline constexpr std::size_t kBoardFlagsOffset = 101;
inline constexpr std::size_t kBoardFieldCountOffset = 102;
inline constexpr std::size_t kBiteFieldSize = 79;
inline constexpr std::size_t kFieldNameOffset = 2;
inline constexpr std::size_t kFieldKindOffset = 66;
inline constexpr std::size_t kFieldLowerOffset = 67;
inline constexpr std::size_t kFieldUpperOffset = 71;
inline constexpr std::size_t kFieldValueOffset = 75;
inline constexpr std::size_t kTextFieldSize = 64;  // board text and field name, zero-terminated

// u32 serial number, u32 length of the text with its zero, the text, its zero.
std::string ConfigurationData(std::uint32_t serialNumber, std::string_view xml);
// u16 number of boards, then a block per board.
std::string BiteData(const std::vector<SimBoardReport>& boards);
// u32 event number, 4 zero bytes, u16 type, u16 text length with its zero, 2 zero bytes, the text.
std::string EventData(const SimEvent& event);
// 8 zero bytes, u32 number of events, then an entry per event: u16 type, u32 number, 4 zero bytes,
// u16 text length with its zero, 10 zero bytes, the text.
std::string EventListData(const std::vector<SimEvent>& events);

}  // namespace simrecords
