// Reading operator actions from JSON.
#include "host/ViewActionsJson.h"

#include <algorithm>
#include <array>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/afx/WindowsTypes.h"

namespace {

using ActionJson = nlohmann::json;

struct ScrollCodeName {
  const char* name;
  unsigned code;
};
constexpr std::array<ScrollCodeName, 9> kScrollCodes{{{"lineleft", SB_LINELEFT},
                                                      {"lineright", SB_LINERIGHT},
                                                      {"pageleft", SB_PAGELEFT},
                                                      {"pageright", SB_PAGERIGHT},
                                                      {"thumbposition", SB_THUMBPOSITION},
                                                      {"thumbtrack", SB_THUMBTRACK},
                                                      {"left", SB_LEFT},
                                                      {"right", SB_RIGHT},
                                                      {"endscroll", SB_ENDSCROLL}}};
// The largest window the operator can give a view, in pixels.
constexpr int kLargestViewSide = 20000;

bool ReadInt(const ActionJson& action, const char* member, int& value) {
  const auto found = action.find(member);
  if (found == action.end() || !found->is_number_integer()) return false;
  const auto number = found->get<std::int64_t>();
  if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) return false;
  value = static_cast<int>(number);
  return true;
}

// One action; a message saying what it should have been when it is malformed.
std::string ReadAction(const ActionJson& json, ViewAction& action) {
  constexpr const char* kKinds =
      R"(expected an object with "control" and one of "scroll", "select", "click", "tab", "text", or "size" or "help")";
  if (!json.is_object()) return kKinds;
  if (json.contains("size")) {
    const ActionJson& size = json["size"];
    if (!size.is_array() || size.size() != 2 || !size[0].is_number_integer() ||
        !size[1].is_number_integer() || size[0].get<std::int64_t>() < 1 || size[1].get<std::int64_t>() < 1 ||
        size[0].get<std::int64_t>() > kLargestViewSide || size[1].get<std::int64_t>() > kLargestViewSide) {
      return "\"size\": expected [width, height] in pixels, each from 1 to " +
             std::to_string(kLargestViewSide);
    }
    action.kind = ViewAction::Kind::kSize;
    action.width = size[0].get<int>();
    action.height = size[1].get<int>();
    return {};
  }
  if (json.contains("help")) {
    if (json["help"] != true) return R"("help": expected true)";
    action.kind = ViewAction::Kind::kHelp;
    return {};
  }
  if (!ReadInt(json, "control", action.control)) return R"("control": expected a control id (an integer))";
  if (json.contains("scroll")) {
    const ActionJson& code = json["scroll"];
    const auto* named = code.is_string() ? std::find_if(kScrollCodes.begin(), kScrollCodes.end(),
                                                        [&code](const ScrollCodeName& entry) {
                                                          return code.get<std::string>() == entry.name;
                                                        })
                                         : kScrollCodes.end();
    if (named == kScrollCodes.end()) {
      return R"("scroll": expected one of "lineleft", "lineright", "pageleft", "pageright", "thumbtrack", )"
             R"("thumbposition", "left", "right", "endscroll")";
    }
    action.kind = ViewAction::Kind::kScroll;
    action.code = named->code;
    action.value = 0;
    if (json.contains("pos") && !ReadInt(json, "pos", action.value)) return R"("pos": expected an integer)";
    if ((action.code == SB_THUMBTRACK || action.code == SB_THUMBPOSITION) && !json.contains("pos")) {
      return R"("pos": a thumb move needs the thumb's position)";
    }
    return {};
  }
  if (json.contains("select") || json.contains("tab")) {
    const bool tab = json.contains("tab");
    if (!ReadInt(json, tab ? "tab" : "select", action.value) || action.value < 0) {
      return tab ? R"("tab": expected a tab index from 0)" : R"("select": expected an item index from 0)";
    }
    action.kind = tab ? ViewAction::Kind::kTab : ViewAction::Kind::kSelect;
    return {};
  }
  if (json.contains("click")) {
    if (json["click"] != true) return R"("click": expected true)";
    action.kind = ViewAction::Kind::kClick;
    return {};
  }
  if (json.contains("text")) {
    if (!json["text"].is_string()) return R"("text": expected a string)";
    action.kind = ViewAction::Kind::kText;
    action.text = json["text"].get<std::string>();
    return {};
  }
  return kKinds;
}

}  // namespace

bool ParseViewActions(std::string_view body, std::vector<ViewAction>& actions, std::string& error) {
  const ActionJson json = ActionJson::parse(body, nullptr, false);
  if (json.is_discarded()) {
    error = "body: expected an action object or an array of them (not JSON)";
    return false;
  }
  const bool many = json.is_array();
  if (many && (json.empty() || json.size() > kMostViewActions)) {
    error = "body: expected 1 to " + std::to_string(kMostViewActions) + " actions";
    return false;
  }
  actions.clear();
  for (std::size_t i = 0; i < (many ? json.size() : 1); ++i) {
    ViewAction action;
    const std::string problem = ReadAction(many ? json[i] : json, action);
    if (!problem.empty()) {
      error = (many ? "actions[" + std::to_string(i) + "]: " : std::string("action: ")) + problem;
      return false;
    }
    actions.push_back(std::move(action));
  }
  return true;
}
