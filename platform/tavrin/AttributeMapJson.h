// The JSON form of attribute maps, used for stored device attributes, the host's configuration and
// its API. A map is an array of one-member objects {"key": <typed value>} in order (an object with
// unique keys is accepted too); a typed value is one of {"int": 3}, {"int64": 5}, {"bool": true},
// {"double": 1.5}, {"double2d": [10.0, -5.0]}, {"text": "abc"}, {"ints": [7000, 7503]},
// {"doubles": [2.5, 5.0]}, {"datainfo": {"id": [1, 78, 1, 1], "a": 65535, "b": 65535}} or {"map": <map>}.
// Doubles that are not finite are written, and read, as the strings "NaN", "Infinity" and "-Infinity".
// A key may appear only once in one JSON object. Reading takes time linear in the document's size.
#pragma once

#include <string>
#include <string_view>

#include "platform/tavrin/CAttributeMap.h"

struct AttributeMapParseResult {
  bool ok = false;
  // When not ok: what is wrong and where, e.g. `$[2].Request[0].ZqRange: unknown value type "float"`.
  std::string error;
};

// Reads a whole JSON document into map. On failure map is left unchanged.
AttributeMapParseResult ReadAttributeMapJson(std::string_view text, CAttributeMap& map);

// Writes map in the array form; indent < 0 gives one line.
std::string WriteAttributeMapJson(const CAttributeMap& map, int indent = -1);

// One typed value in the same form, on one line, e.g. {"double":120.0}; a value without a type is null.
std::string WriteTypedValueJson(const COrvType& value);
// Reads one typed value (not a child map) from a whole JSON document; null reads as a value without a
// type. On failure value is left unchanged.
AttributeMapParseResult ReadTypedValueJson(std::string_view text, COrvType& value);
