// Reader of the XML description that a sonar sends in its configuration record: the tables of the
// processing unit (direct children of <ZqConfiguration>) and, in the HARDWARE table, its boards. Made
// for one decode; reads nothing before Set7003BiteInfo and nothing from text that is not well formed.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class CZqXMLParsor {
 public:
  // Capacity of the name buffer handed to GetHardwareDeviceInfo, terminating zero included.
  static constexpr std::size_t kNameCapacity = 64;

  CZqXMLParsor();
  CZqXMLParsor(const CZqXMLParsor&) = delete;
  CZqXMLParsor& operator=(const CZqXMLParsor&) = delete;
  ~CZqXMLParsor();

  // Loads the XML text (zero-terminated). Text that is not a well-formed <ZqConfiguration> document,
  // or null, leaves the parser empty.
  void Set7003BiteInfo(const char* xml);

  // Non-zero when the root has a direct child table of that name (such as "HARDWARE" or "TX1").
  unsigned long FindTable(const char* name) const;

  // Non-zero when the HARDWARE table describes a board <Device name="device">; the first such board
  // counts. Each output that is not null receives:
  //   name, hasName  the display name, cut to kNameCapacity - 1 bytes at a character boundary and
  //                  zero-terminated, and whether the board has a non-empty one ("" and false without);
  //   id             the board id with which BITE results name the board (0 when not 0..255);
  //   frequencies    the board's <Frequency> values in Hz, unreadable ones left out;
  //   ignored        0 (this description has nothing to put there);
  //   available      the board's availability value (0 when missing or negative);
  //   angle          the board's mounting angle in whole degrees; a negative angle is held as its two's
  //                  complement, so it reads back as a signed int.
  // When the board is not described, every output receives its empty value (0, false, "", no
  // frequencies).
  unsigned long GetHardwareDeviceInfo(const char* device, char* name, bool* hasName, unsigned char* id,
                                      std::vector<float>* frequencies, int* ignored, unsigned long* available,
                                      unsigned long* angle) const;

 private:
  // The platform's reader of setting sets and beam modes walks the same document.
  friend class ZqConfigurationDecoder;
  struct Document;
  std::unique_ptr<Document> document_;
};
