// The value texts the host defines. Only the recording mode item has any.
#include "platform/tavrin/DataDefinition.h"

#include <iterator>

namespace {

// Item 2701, a sonar's recording mode. These are the states the simulated sonar reports; the item
// means the same in every data group, so the group does not choose the table.
constexpr unsigned short kRecordingModeItem = 2701;
constexpr const char* kRecordingModeTexts[] = {"Stopped", "Recording", "Disk full", "Write error"};

}  // namespace

bool DataDefinition::GetGroupItemMapTxt(unsigned short /*group*/, unsigned short item, int value,
                                        CString& text) {
  if (item != kRecordingModeItem || value < 0 || value >= static_cast<int>(std::size(kRecordingModeTexts))) {
    return false;
  }
  text = kRecordingModeTexts[value];
  return true;
}
