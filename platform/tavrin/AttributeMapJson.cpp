// Reading and writing attribute maps as JSON, with error messages that name the place of the fault.
#include "platform/tavrin/AttributeMapJson.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

#include "platform/tavrin/JsonDocument.h"

namespace {

using json = nlohmann::ordered_json;

// Thrown only inside this file, to unwind a failed read to ReadAttributeMapJson.
struct BadEntry {
  std::string path;
  std::string problem;
};

[[noreturn]] void Fail(const std::string& path, std::string problem) {
  throw BadEntry{path, std::move(problem)};
}

template <typename Int>
Int ReadInteger(const json& number, const std::string& path, const char* what) {
  if (!number.is_number_integer())
    Fail(path, std::string(what) + " must be an integer, not " + number.dump());
  if (number.is_number_unsigned()) {
    const auto value = number.get<std::uint64_t>();
    if (value > static_cast<std::uint64_t>(std::numeric_limits<Int>::max())) {
      Fail(path, std::string(what) + " " + number.dump() + " is out of range");
    }
    return static_cast<Int>(value);
  }
  const auto value = number.get<std::int64_t>();
  if (value < static_cast<std::int64_t>(std::numeric_limits<Int>::min()) ||
      (value > 0 &&
       static_cast<std::uint64_t>(value) > static_cast<std::uint64_t>(std::numeric_limits<Int>::max()))) {
    Fail(path, std::string(what) + " " + number.dump() + " is out of range");
  }
  return static_cast<Int>(value);
}

// JSON has no numbers for these; doubles that are not finite travel as these strings.
constexpr const char* kNotANumber = "NaN";
constexpr const char* kInfinity = "Infinity";
constexpr const char* kMinusInfinity = "-Infinity";

double ReadDouble(const json& number, const std::string& path) {
  if (number.is_string()) {
    const auto& text = number.get_ref<const std::string&>();
    if (text == kNotANumber) return std::numeric_limits<double>::quiet_NaN();
    if (text == kInfinity) return std::numeric_limits<double>::infinity();
    if (text == kMinusInfinity) return -std::numeric_limits<double>::infinity();
  }
  if (!number.is_number()) Fail(path, "expected a number, not " + number.dump());
  return number.get<double>();
}

json WriteDouble(double value) {
  if (std::isnan(value)) return kNotANumber;
  if (std::isinf(value)) return value > 0 ? kInfinity : kMinusInfinity;
  return value;
}

const json& ReadArray(const json& value, const std::string& path, const char* type) {
  if (!value.is_array()) Fail(path, std::string("\"") + type + "\" needs an array, not " + value.dump());
  return value;
}

// Child maps nest far less deeply than this in any real configuration; the limit keeps a hostile
// document from exhausting the stack.
constexpr int kMaxMapDepth = 64;

void ReadMap(const json& document, const std::string& path, int depth, CAttributeMap& map);

void ReadEntry(const std::string& key, const json& typed, const std::string& path, int depth,
               CAttributeMap& map) {
  if (!typed.is_object() || typed.size() != 1) {
    Fail(path, "a value must be an object with one member naming its type, such as {\"double\": 1.5}");
  }
  const std::string& type = typed.begin().key();
  const json& value = typed.begin().value();
  const std::string& valuePath = path;
  if (type == "map") {
    if (depth >= kMaxMapDepth) Fail(path, "child maps nested deeper than " + std::to_string(kMaxMapDepth));
    CAttributeMap child;
    ReadMap(value, path, depth + 1, child);
    map.Append(key, child);
  } else if (type == "int") {
    map.Append(key, COrvInt(ReadInteger<std::int32_t>(value, valuePath, "\"int\"")));
  } else if (type == "int64") {
    map.Append(key, COrvInt64(ReadInteger<std::int64_t>(value, valuePath, "\"int64\"")));
  } else if (type == "bool") {
    if (!value.is_boolean()) Fail(valuePath, "\"bool\" must be true or false, not " + value.dump());
    map.Append(key, COrvBool(value.get<bool>()));
  } else if (type == "double") {
    map.Append(key, COrvDouble(ReadDouble(value, valuePath)));
  } else if (type == "double2d") {
    ReadArray(value, valuePath, "double2d");
    if (value.size() != 2) Fail(valuePath, "\"double2d\" needs exactly two numbers");
    map.Append(key, COrvDouble2D(ReadDouble(value[0], valuePath), ReadDouble(value[1], valuePath)));
  } else if (type == "text") {
    if (!value.is_string()) Fail(valuePath, "\"text\" must be a string, not " + value.dump());
    map.Append(key, COrvString(CString(value.get<std::string>())));
  } else if (type == "ints") {
    std::vector<int> ints;
    for (const json& item : ReadArray(value, valuePath, "ints")) {
      ints.push_back(ReadInteger<std::int32_t>(item, valuePath, "an entry of \"ints\""));
    }
    map.Append(key, COrvIntList(std::move(ints)));
  } else if (type == "doubles") {
    std::vector<double> doubles;
    for (const json& item : ReadArray(value, valuePath, "doubles"))
      doubles.push_back(ReadDouble(item, valuePath));
    map.Append(key, COrvDoubleList(std::move(doubles)));
  } else if (type == "datainfo") {
    if (!value.is_object() || !value.contains("id"))
      Fail(valuePath, R"("datainfo" needs an object with "id")");
    const json& id = ReadArray(value.at("id"), valuePath, "id");
    if (id.size() != 4) Fail(valuePath, "\"id\" needs exactly four numbers");
    const CDataId dataId(ReadInteger<std::uint16_t>(id[0], valuePath, "an \"id\" number"),
                         ReadInteger<std::uint16_t>(id[1], valuePath, "an \"id\" number"),
                         ReadInteger<std::uint16_t>(id[2], valuePath, "an \"id\" number"),
                         ReadInteger<std::uint16_t>(id[3], valuePath, "an \"id\" number"));
    const auto a =
        value.contains("a") ? ReadInteger<std::uint32_t>(value.at("a"), valuePath, "\"a\"") : 0xFFFFu;
    const auto b =
        value.contains("b") ? ReadInteger<std::uint32_t>(value.at("b"), valuePath, "\"b\"") : 0xFFFFu;
    map.Append(key, COrvDataInfo(dataId, a, b));
  } else {
    Fail(valuePath, "unknown value type \"" + type + "\"");
  }
}

void ReadMap(const json& document, const std::string& path, int depth, CAttributeMap& map) {
  if (document.is_object()) {
    for (auto member = document.begin(); member != document.end(); ++member) {
      ReadEntry(member.key(), member.value(), path + "." + member.key(), depth, map);
    }
    return;
  }
  if (!document.is_array()) Fail(path, "an attribute map must be an array of entries or an object");
  for (std::size_t i = 0; i < document.size(); ++i) {
    const json& entry = document[i];
    const std::string entryPath = path + "[" + std::to_string(i) + "]";
    if (!entry.is_object() || entry.size() != 1) {
      Fail(entryPath, "an entry must be an object with exactly one member, its key");
    }
    const std::string& key = entry.begin().key();
    std::string keyPath = entryPath;
    keyPath.append(".").append(key);
    ReadEntry(key, entry.begin().value(), keyPath, depth, map);
  }
}

json WriteValue(const COrvType& value) {
  switch (value.GetKind()) {
    case COrvType::Kind::kNone:
      return nullptr;
    case COrvType::Kind::kInt: {
      int v = 0;
      value.GetValue(v);
      return {{"int", v}};
    }
    case COrvType::Kind::kInt64: {
      std::int64_t v = 0;
      value.GetValue(v);
      return {{"int64", v}};
    }
    case COrvType::Kind::kBool: {
      bool v = false;
      value.GetValue(v);
      return {{"bool", v}};
    }
    case COrvType::Kind::kDouble: {
      double v = 0.0;
      value.GetValue(v);
      return {{"double", WriteDouble(v)}};
    }
    case COrvType::Kind::kDouble2D: {
      double first = 0.0;
      double second = 0.0;
      value.GetValue(first, second);
      return {{"double2d", {WriteDouble(first), WriteDouble(second)}}};
    }
    case COrvType::Kind::kText: {
      CString v;
      value.GetValue(v);
      return {{"text", v.Str()}};
    }
    case COrvType::Kind::kIntList: {
      std::vector<int> v;
      value.GetValue(v);
      return {{"ints", v}};
    }
    case COrvType::Kind::kDoubleList: {
      std::vector<double> v;
      value.GetValue(v);
      json doubles = json::array();
      for (const double d : v) doubles.push_back(WriteDouble(d));
      return {{"doubles", std::move(doubles)}};
    }
    case COrvType::Kind::kDataInfo: {
      OrvDataInfo v;
      value.GetValue(v);
      return {{"datainfo",
               {{"id", {v.id.GetA(), v.id.GetGroupId(), v.id.GetC(), v.id.GetVesselId()}},
                {"a", v.a},
                {"b", v.b}}}};
    }
  }
  return nullptr;
}

json WriteMap(const CAttributeMap& map) {
  json entries = json::array();
  for (const CAttributeMap::Entry& entry : map.Entries()) {
    // An entry without a value carries nothing that could be read back; it is left out.
    if (!entry.IsMap() && entry.value.IsEmpty()) continue;
    json typed = entry.IsMap() ? json{{"map", WriteMap(*entry.map)}} : WriteValue(entry.value);
    entries.push_back(json{{entry.key.Str(), std::move(typed)}});
  }
  return entries;
}

}  // namespace

AttributeMapParseResult ReadAttributeMapJson(std::string_view text, CAttributeMap& map) {
  json document;
  const JsonDocumentProblem problem = ReadJsonDocument(text, "$", document);
  switch (problem.kind) {
    case JsonDocumentProblem::Kind::kNone:
      break;
    case JsonDocumentProblem::Kind::kMalformed:  // a syntax error, or a number too large to hold
      return {false, "malformed JSON: " + problem.message};
    case JsonDocumentProblem::Kind::kRepeatedKey:
      return {false, problem.message};
  }
  CAttributeMap read;
  try {
    ReadMap(document, "$", 0, read);
  } catch (const BadEntry& bad) {
    return {false, bad.path + ": " + bad.problem};
  }
  map = std::move(read);
  return {true, {}};
}

std::string WriteAttributeMapJson(const CAttributeMap& map, int indent) {
  return WriteMap(map).dump(indent, ' ', false, json::error_handler_t::replace);
}

std::string WriteTypedValueJson(const COrvType& value) {
  return WriteValue(value).dump(-1, ' ', false, json::error_handler_t::replace);
}

AttributeMapParseResult ReadTypedValueJson(std::string_view text, COrvType& value) {
  json document;
  const JsonDocumentProblem problem = ReadJsonDocument(text, "$", document);
  if (problem.kind == JsonDocumentProblem::Kind::kMalformed)
    return {false, "malformed JSON: " + problem.message};
  if (problem.kind == JsonDocumentProblem::Kind::kRepeatedKey) return {false, problem.message};
  if (document.is_null()) {
    value = COrvType();
    return {true, {}};
  }
  if (document.is_object() && document.size() == 1 && document.begin().key() == "map") {
    return {false, "$: a single value cannot be a child map"};
  }
  CAttributeMap read;
  try {
    ReadEntry("value", document, "$", 0, read);
  } catch (const BadEntry& bad) {
    return {false, bad.path + ": " + bad.problem};
  }
  value = read.FindValue("value");
  return {true, {}};
}
