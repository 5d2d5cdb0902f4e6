// The board tables of the sonars a system messages view has seen: for each sonar, the 16 board slots
// with whether the sonar's configuration describes the board, the id its BITE results name it by, and
// the name to show for it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/tavrin/MultiBeamInfo.h"

class KavoBITEInfo : public MultiBeamBITEInfo {
 public:
  static constexpr std::size_t kBoardSlots = 16;

  struct BoardEntry {
    std::uint8_t present = 0;
    std::uint8_t boardId = 0;
    CString displayName;
  };
  struct SonarBoards {
    CString sonarName;
    std::array<BoardEntry, kBoardSlots> boards;
  };

  KavoBITEInfo() = default;
  ~KavoBITEInfo() override;

  // Reads the boards of a sonar's configuration record (whole, frame header first) into its table,
  // made on its first configuration. False when the record carries no configuration text or the text
  // has no hardware table.
  bool LoadBoardConfig(unsigned char* record, CString sonarName) override;
  // The name of the sonar's board with that id: the first slot with the id counts. False, name
  // untouched, for an unknown sonar or id, or a board the configuration did not describe.
  bool GetBoardName(CString sonarName, CString& name, unsigned char boardId) override;

  const std::vector<SonarBoards>& GetSonars() const { return sonars_; }

 private:
  SonarBoards* Find(const CString& sonarName);

  std::vector<SonarBoards> sonars_;  // in order of first configuration
};

// Short names (the names of the boards in the configuration) and default display names of the slots.
extern const std::array<const char*, KavoBITEInfo::kBoardSlots> kBoardShortNames;
extern const std::array<const char*, KavoBITEInfo::kBoardSlots> kBoardDefaultNames;
