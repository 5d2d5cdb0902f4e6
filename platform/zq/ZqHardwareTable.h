// The boards of a sonar as its configuration XML describes them in its HARDWARE table, for the system
// messages view.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZqHardwareBoard {
  std::string name;     // the board's name, which is also the name of its own table ("TX1")
  std::uint8_t id = 0;  // the id with which BITE results name the board
  unsigned long available = 0;
  unsigned long angle = 0;         // whole degrees, as the XML reader gives it
  std::string displayName;         // empty when the board has none
  std::vector<float> frequencies;  // Hz
};

class ZqHardwareTable {
 public:
  // The boards of the HARDWARE table in document order, each name once (the first board of a name
  // counts), read with CZqXMLParsor; names and display names as valid UTF-8 (SonarTextToUtf8). Empty
  // for text that is not a configuration document.
  static std::vector<ZqHardwareBoard> Read(const std::string& xml);
};
