// The host's data definition as the plug-in's pages see it: display texts for the values of a
// data item, looked up by data group, item number and value.
#pragma once

#include "platform/afx/CString.h"

class DataDefinition {
 public:
  // The text of one value of an item in a data group; false, text untouched, when the host defines
  // no text for it.
  static bool GetGroupItemMapTxt(unsigned short group, unsigned short item, int value, CString& text);
};
