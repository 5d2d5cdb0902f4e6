// The configuration XML of a sonar, read with pugixml.
#include "platform/zq/CZqXMLParsor.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/zq/ZqXmlDocument.h"
#include "platform/zq/ZqXmlNumbers.h"

namespace {

constexpr const char* kRootName = "ZqConfiguration";

// Copies text into a buffer of kNameCapacity bytes, cutting it so that no UTF-8 character is split.
void CopyName(std::string_view text, char* buffer) {
  std::size_t length = std::min(text.size(), CZqXMLParsor::kNameCapacity - 1);
  if (length < text.size()) {
    // A continuation byte (10xxxxxx) at the cut belongs to the character before it: cut before that.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0U) == 0x80U) --length;
  }
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

}  // namespace

CZqXMLParsor::CZqXMLParsor() : document_(std::make_unique<Document>()) {}

CZqXMLParsor::~CZqXMLParsor() = default;

void CZqXMLParsor::Set7003BiteInfo(const char* xml) {
  document_->xml.reset();
  document_->root = pugi::xml_node();
  if (xml == nullptr) return;
  const pugi::xml_parse_result result = document_->xml.load_string(xml);
  const pugi::xml_node root = document_->xml.document_element();
  if (!result || std::strcmp(root.name(), kRootName) != 0) {
    document_->xml.reset();
    return;
  }
  document_->root = root;
}

unsigned long CZqXMLParsor::FindTable(const char* name) const {
  if (name == nullptr) return 0;
  return document_->root.child(name) ? 1 : 0;
}

unsigned long CZqXMLParsor::GetHardwareDeviceInfo(const char* device, char* name, bool* hasName,
                                                  unsigned char* id, std::vector<float>* frequencies,
                                                  int* ignored, unsigned long* available,
                                                  unsigned long* angle) const {
  if (name != nullptr) name[0] = '\0';
  if (hasName != nullptr) *hasName = false;
  if (id != nullptr) *id = 0;
  if (frequencies != nullptr) frequencies->clear();
  if (ignored != nullptr) *ignored = 0;
  if (available != nullptr) *available = 0;
  if (angle != nullptr) *angle = 0;
  if (device == nullptr) return 0;

  const pugi::xml_node board =
      document_->root.child("HARDWARE").find_child_by_attribute("Device", "name", device);
  if (!board) return 0;

  const std::string_view displayName = board.attribute("displayName").value();
  if (name != nullptr) CopyName(displayName, name);
  if (hasName != nullptr) *hasName = !displayName.empty();
  const auto boardId = ZqXmlNumbers::Integer(board.attribute("id").value());
  if (id != nullptr && boardId && *boardId >= 0 && *boardId <= 255)
    *id = static_cast<unsigned char>(*boardId);
  if (frequencies != nullptr) {
    for (const pugi::xml_node frequency : board.children("Frequency")) {
      const auto hz = ZqXmlNumbers::Double(frequency.text().get());
      if (hz && std::fabs(*hz) <= std::numeric_limits<float>::max())
        frequencies->push_back(static_cast<float>(*hz));
    }
  }
  const auto availability = ZqXmlNumbers::Integer(board.attribute("available").value());
  if (available != nullptr && availability && *availability >= 0) {
    *available = static_cast<unsigned long>(*availability);
  }
  const auto degrees = ZqXmlNumbers::Integer(board.attribute("angle").value());
  if (angle != nullptr && degrees) *angle = static_cast<unsigned long>(*degrees);
  return 1;
}
