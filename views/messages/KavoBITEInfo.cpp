// Loading the board table from the configuration XML and naming boards.
#include "views/messages/KavoBITEInfo.h"

#include <algorithm>
#include <cmath>

#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/CZqXMLParsor.h"
#include "platform/zq/ZqConfigurationDecoder.h"
#include "platform/zq/ZqWireFormat.h"
#include "views/messages/KavoMessageRecord.h"

const std::array<const char*, KavoBITEInfo::kBoardSlots> kBoardShortNames = {
    "LM",  "LCU", "IOPW", "IOPD", "TX1",  "TX2",  "TX3",  "TX4",
    "RX1", "RX2", "RX3",  "RX4",  "SYS1", "SYS2", "SYS3", "SYS4"};
const std::array<const char*, KavoBITEInfo::kBoardSlots> kBoardDefaultNames = {
    "Link Module", "Link Controller", "I/O Processor Wet", "I/O Processor Dry", "Projector 1", "Projector 2",
    "Projector 3", "Projector 4",     "Receiver 1",        "Receiver 2",        "Receiver 3",  "Receiver 4",
    "System 1",    "System 2",        "System 3",          "System 4"};

namespace {

// The configuration's text length, which must not be 0 for the record to count.
constexpr std::size_t kXmlLengthOffset = zqwire::kFrameHeaderSize + 4;
// The projector slots, whose default names carry the projector's frequency.
constexpr std::size_t kFirstProjectorSlot = 4;
constexpr std::size_t kLastProjectorSlot = 7;
// A projector reporting this frequency is the 400 kHz projector.
constexpr float kReported400kHz = 396000.0F;
constexpr float kNominal400kHz = 400000.0F;

// " 200 kHz", or " 200 kHz 1°" for a projector mounted at an angle.
CString FrequencySuffix(float hertz, unsigned long angle) {
  if (hertz == kReported400kHz) hertz = kNominal400kHz;
  const double kiloHertz = std::trunc(static_cast<double>(hertz) / 1000.0);
  const int shown = std::isfinite(kiloHertz) ? static_cast<int>(std::clamp(kiloHertz, -2.0e9, 2.0e9)) : 0;
  CString suffix;
  if (angle != 0) {
    suffix.Format(" %d kHz %d\u00B0", shown, static_cast<int>(static_cast<std::uint32_t>(angle)));
  } else {
    suffix.Format(" %d kHz", shown);
  }
  return suffix;
}

}  // namespace

KavoBITEInfo::~KavoBITEInfo() {
  sonars_.clear();
}

KavoBITEInfo::SonarBoards* KavoBITEInfo::Find(const CString& sonarName) {
  const auto found = std::ranges::find(sonars_, sonarName, &SonarBoards::sonarName);
  return found == sonars_.end() ? nullptr : &*found;
}

bool KavoBITEInfo::LoadBoardConfig(unsigned char* record, CString sonarName) {
  const std::span<const std::byte> bytes = kavomsg::RecordBytes(record);
  if (le::ByteReader(bytes).U32(kXmlLengthOffset).value_or(0) == 0) return false;
  CZqXMLParsor parser;
  parser.Set7003BiteInfo(ZqConfigurationDecoder::XmlText(bytes).c_str());

  SonarBoards* sonar = Find(sonarName);
  if (sonar == nullptr) sonar = &sonars_.emplace_back(SonarBoards{sonarName, {}});
  for (std::size_t slot = 0; slot < kBoardSlots; ++slot) {
    if (parser.FindTable("HARDWARE") == 0) return false;
    std::array<char, CZqXMLParsor::kNameCapacity> name{};
    bool hasName = false;
    unsigned char id = 0;
    std::vector<float> frequencies;
    int ignored = 0;
    unsigned long available = 0;
    unsigned long angle = 0;
    const unsigned long found = parser.GetHardwareDeviceInfo(kBoardShortNames[slot], name.data(), &hasName,
                                                             &id, &frequencies, &ignored, &available, &angle);
    const unsigned long tableFound = parser.FindTable(kBoardShortNames[slot]);
    BoardEntry& board = sonar->boards[slot];
    board.present = 0;
    board.boardId = id;
    if (found == 0 || tableFound == 0 || available == 0) continue;  // the slot keeps its name
    board.present = 1;
    if (hasName) {
      board.displayName = CString(name.data());
      continue;
    }
    board.displayName = kBoardDefaultNames[slot];
    if (slot >= kFirstProjectorSlot && slot <= kLastProjectorSlot && !frequencies.empty()) {
      board.displayName += FrequencySuffix(frequencies.front(), angle);
    }
  }
  return true;
}

bool KavoBITEInfo::GetBoardName(CString sonarName, CString& name, unsigned char boardId) {
  const SonarBoards* sonar = Find(sonarName);
  if (sonar == nullptr) return false;
  const auto slot = std::ranges::find(sonar->boards, boardId, &BoardEntry::boardId);
  if (slot == sonar->boards.end() || slot->present == 0) return false;
  name = slot->displayName;
  return true;
}
