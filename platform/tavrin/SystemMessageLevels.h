// The levels with which the system messages pages show a sonar's state, an event or a BITE result:
// the image of a row and the status of the BITE page.
#pragma once

#include <cstdint>

enum SystemMessageLevel : int {
  kLevelNone = 0,  // no image
  kLevelOk = 1,
  kLevelWarning = 2,
  kLevelError = 3,
};

// The level of a sonar's event type: 3 and every type from 6 up are errors, 2 and 5 warnings, the
// rest (0, 1, 4) information.
constexpr SystemMessageLevel EventTypeLevel(std::uint16_t type) {
  if (type == 3 || type >= 6) return kLevelError;
  if (type == 2 || type == 5) return kLevelWarning;
  return kLevelOk;
}

// The word a list shows for a level.
constexpr const char* LevelText(int level) {
  switch (level) {
    case kLevelOk:
      return "OK";
    case kLevelWarning:
      return "Warning";
    case kLevelError:
      return "Error";
    default:
      return "";
  }
}

// The word the event page shows for an event type.
constexpr const char* EventTypeText(std::uint16_t type) {
  switch (EventTypeLevel(type)) {
    case kLevelWarning:
      return "Warning";
    case kLevelError:
      return "Error";
    default:
      return "Information";
  }
}
