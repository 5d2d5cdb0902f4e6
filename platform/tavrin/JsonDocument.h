// Reading a whole JSON document (a configuration, a stored attribute map, an API body) into an ordered
// tree in one pass and in time linear in its size, whatever the shape of its objects, refusing a key
// that appears twice in one object: the usual reader would keep only one of them, silently.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

struct JsonDocumentProblem {
  enum class Kind { kNone, kMalformed, kRepeatedKey };
  Kind kind = Kind::kNone;
  // kMalformed: where and what, e.g. `parse error at line 2, column 9: ...`; kRepeatedKey: the object's
  // place and the key, e.g. `devices[1]: repeated key "name"`.
  std::string message;
};

namespace json_document_detail {

using Json = nlohmann::ordered_json;

// Builds the tree as the parser reads it. Members are appended to their object without the ordered
// map's own search for an equal key, which makes large objects quadratic; repeated keys are found by
// this builder instead, by a scan of a small object and a hash set of a large one.
class Builder {
 public:
  Builder(Json& root, std::string rootName) : root_(root), rootName_(std::move(rootName)) {}

  bool null() { return Add(nullptr); }
  bool boolean(bool value) { return Add(value); }
  bool number_integer(Json::number_integer_t value) { return Add(value); }
  bool number_unsigned(Json::number_unsigned_t value) { return Add(value); }
  bool number_float(Json::number_float_t value, const Json::string_t& /*text*/) { return Add(value); }
  bool string(Json::string_t& value) { return Add(std::move(value)); }
  bool binary(Json::binary_t& value) { return Add(std::move(value)); }

  bool start_object(std::size_t /*elements*/) {
    open_.push_back({Place(Json::value_t::object), {}, {}});
    return true;
  }
  bool key(Json::string_t& key) {
    Open& object = open_.back();
    if (!object.keys.empty()) {
      if (!object.keys.insert(key).second) return Repeated(key);
    } else {
      for (const auto& member : Members(*object.container)) {
        if (member.first == key) return Repeated(key);
      }
      if (Members(*object.container).size() >= kScannedMembers) {
        for (const auto& member : Members(*object.container)) object.keys.insert(member.first);
        object.keys.insert(key);
      }
    }
    object.key = std::move(key);
    return true;
  }
  bool end_object() {
    open_.pop_back();
    return true;
  }
  bool start_array(std::size_t /*elements*/) {
    open_.push_back({Place(Json::value_t::array), {}, {}});
    return true;
  }
  bool end_array() {
    open_.pop_back();
    return true;
  }
  bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                   const nlohmann::detail::exception& error) {
    // what() starts with the library's own tag in brackets; the rest says where and what.
    std::string message = error.what();
    const std::size_t tagEnd = message.find("] ");
    if (tagEnd != std::string::npos) message.erase(0, tagEnd + 2);
    problem_ = {JsonDocumentProblem::Kind::kMalformed, std::move(message)};
    return false;
  }

  const JsonDocumentProblem& Problem() const { return problem_; }

 private:
  // Objects up to this size are searched member by member; a larger one keeps a set of its keys.
  static constexpr std::size_t kScannedMembers = 16;

  struct Open {
    Json* container;
    std::string key;  // an object's member being read
    std::unordered_set<std::string> keys;
  };

  static Json::object_t::Container& Members(Json& object) { return object.get_ref<Json::object_t&>(); }

  // Puts value where the parser is: the root, the end of the open array, or the open object's member.
  template <typename T>
  Json* Place(T&& value) {
    if (open_.empty()) {
      root_ = Json(std::forward<T>(value));
      return &root_;
    }
    Open& parent = open_.back();
    if (parent.container->is_array()) {
      auto& elements = parent.container->get_ref<Json::array_t&>();
      elements.emplace_back(std::forward<T>(value));
      return &elements.back();
    }
    auto& members = Members(*parent.container);
    members.emplace_back(std::move(parent.key), Json(std::forward<T>(value)));
    return &members.back().second;
  }
  template <typename T>
  bool Add(T&& value) {
    Place(std::forward<T>(value));
    return true;
  }

  // The open object's place: the root's name, then for each open container the child being read.
  bool Repeated(const std::string& key) {
    std::string place = rootName_;
    for (std::size_t i = 0; i + 1 < open_.size(); ++i) {
      Json& container = *open_[i].container;
      if (container.is_array()) {
        place += "[" + std::to_string(container.size() - 1) + "]";
      } else {
        const std::string& member = Members(container).back().first;
        place += place.empty() ? member : "." + member;
      }
    }
    problem_ = {JsonDocumentProblem::Kind::kRepeatedKey,
                (place.empty() ? "$" : place) + ": repeated key \"" + key + "\""};
    return false;
  }

  Json& root_;
  const std::string rootName_;
  std::vector<Open> open_;
  JsonDocumentProblem problem_;
};

}  // namespace json_document_detail

// Reads text into document. rootName begins every place named in a problem: "$" gives `$[0].Request`,
// "" names the root's members by their keys alone (`devices[1]`). On a problem, document is left
// unspecified.
inline JsonDocumentProblem ReadJsonDocument(std::string_view text, const std::string& rootName,
                                            nlohmann::ordered_json& document) {
  json_document_detail::Builder builder(document, rootName);
  nlohmann::ordered_json::sax_parse(text, &builder);
  return builder.Problem();
}
