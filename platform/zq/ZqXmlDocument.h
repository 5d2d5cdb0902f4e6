// The document a CZqXMLParsor holds, for the platform's own readers of the configuration XML (the
// setting sets and beam modes), so that the text is parsed and checked in one place.
#pragma once

#include <pugixml.hpp>

#include "platform/zq/CZqXMLParsor.h"

struct CZqXMLParsor::Document {
  pugi::xml_document xml;
  pugi::xml_node root;  // <ZqConfiguration>, or empty
};
