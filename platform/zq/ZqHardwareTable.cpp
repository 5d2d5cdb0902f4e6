// Listing the boards of a configuration document and reading each through the XML reader.
#include "platform/zq/ZqHardwareTable.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>

#include "platform/tavrin/SonarText.h"
#include "platform/zq/CZqXMLParsor.h"

namespace {

// The board names of the HARDWARE table, each once, in document order.
std::vector<std::string> BoardNames(const std::string& xml) {
  pugi::xml_document document;
  if (!document.load_string(xml.c_str())) return {};
  std::vector<std::string> names;
  for (const pugi::xml_node board : document.document_element().child("HARDWARE").children("Device")) {
    const pugi::xml_attribute name = board.attribute("name");
    if (!name || std::find(names.begin(), names.end(), name.value()) != names.end()) continue;
    names.emplace_back(name.value());
  }
  return names;
}

}  // namespace

std::vector<ZqHardwareBoard> ZqHardwareTable::Read(const std::string& xml) {
  CZqXMLParsor parser;
  parser.Set7003BiteInfo(xml.c_str());
  if (parser.FindTable("HARDWARE") == 0) return {};
  std::vector<ZqHardwareBoard> boards;
  for (std::string& name : BoardNames(xml)) {
    ZqHardwareBoard board;
    char displayName[CZqXMLParsor::kNameCapacity];
    bool hasName = false;
    int ignored = 0;
    if (parser.GetHardwareDeviceInfo(name.c_str(), displayName, &hasName, &board.id, &board.frequencies,
                                     &ignored, &board.available, &board.angle) == 0) {
      continue;
    }
    if (hasName) board.displayName = SonarTextToUtf8(displayName);
    board.name = SonarTextToUtf8(name);
    boards.push_back(std::move(board));
  }
  return boards;
}
