// Checking fault names against a model and switching a head's faults in one go.
#include "sim/SimFaults.h"

#include <algorithm>
#include <charconv>

#include "sim/SimHead.h"
#include "sim/SimModel.h"

namespace {

const SimBoard* FindBoard(const SimModel& model, std::string_view name) {
  for (const SimBoard& board : model.boards) {
    if (board.shortName == name) return &board;
  }
  return nullptr;
}

std::string UnknownBoard(const SimModel& model, std::string_view name) {
  std::string known;
  for (const SimBoard& board : model.boards) known += (known.empty() ? "" : ", ") + board.shortName;
  return "unknown board \"" + std::string(name) + "\" (the " + model.name + " model has " + known + ")";
}

// "BOARD/FIELD" split at its first slash; nothing without one.
std::optional<std::pair<std::string_view, std::string_view>> SplitField(std::string_view text) {
  const auto slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  return std::pair{text.substr(0, slash), text.substr(slash + 1)};
}

// Empty when the model's board has a measured field of that name.
std::string FieldProblem(const SimModel& model, std::string_view text) {
  const auto parts = SplitField(text);
  if (!parts) return "expected \"BOARD/FIELD\", e.g. \"RX1/Temperature\"";
  const SimBoard* board = FindBoard(model, parts->first);
  if (board == nullptr) return UnknownBoard(model, parts->first);
  std::string measured;
  for (const SimBiteField& field : board->fields) {
    if (field.kind != SimBiteField::kMeasured) continue;
    if (field.name == parts->second) return {};
    measured += (measured.empty() ? "" : ", ") + field.name;
  }
  return "board " + board->shortName + " has no measured field \"" + std::string(parts->second) + "\" (" +
         measured + ")";
}

}  // namespace

std::optional<SimFaultProblem> FindUnknownFaultName(const SimModel& model, const SimFaults& faults) {
  for (const auto& [board, flags] : faults.boards) {
    if (FindBoard(model, board) == nullptr)
      return SimFaultProblem{"boards." + board, UnknownBoard(model, board)};
  }
  if (!faults.fieldsOutOfLimits) return std::nullopt;
  for (std::size_t i = 0; i < faults.fieldsOutOfLimits->size(); ++i) {
    std::string problem = FieldProblem(model, (*faults.fieldsOutOfLimits)[i]);
    if (!problem.empty()) return SimFaultProblem{"fieldsOutOfLimits[" + std::to_string(i) + "]", problem};
  }
  return std::nullopt;
}

void ApplyFaultSwitches(SimHead& head, const SimFaults& faults, std::vector<std::string>& out) {
  if (faults.silent) head.SetSilent(*faults.silent);
  for (const auto& [board, flags] : faults.boards) head.SetBoardError(board, flags, out);
  if (faults.fieldsOutOfLimits) {
    const auto& wanted = *faults.fieldsOutOfLimits;
    for (const std::string& field : head.FieldsOutOfLimits()) {
      if (std::find(wanted.begin(), wanted.end(), field) != wanted.end()) continue;
      const auto parts = SplitField(field);
      head.SetFieldOutOfLimits(parts->first, parts->second, false, out);
    }
    for (const std::string& field : wanted) {
      const auto parts = SplitField(field);
      if (parts) head.SetFieldOutOfLimits(parts->first, parts->second, true, out);
    }
  }
}

void SwitchOnAtStart(SimHead& head, const SimFaults& faults) {
  std::vector<std::string> unsent;  // no host is connected yet
  ApplyFaultSwitches(head, faults, unsent);
  for (const SimEvent& event : faults.events) head.AddGreetingEvent(event.type, event.text);
}

SimFaults CurrentFaults(const SimHead& head) {
  SimFaults faults;
  faults.boards = head.BoardsInError();
  faults.fieldsOutOfLimits = head.FieldsOutOfLimits();
  faults.silent = head.Silent();
  return faults;
}

std::optional<SimEvent> ParseEventOption(std::string_view option, std::string& problem) {
  const auto equals = option.find('=');
  if (equals == std::string_view::npos) {
    problem = "expected TYPE=TEXT";
    return std::nullopt;
  }
  SimEvent event;
  const char* first = option.data();
  const char* last = option.data() + equals;
  const auto [end, error] = std::from_chars(first, last, event.type);
  if (error != std::errc() || end != last || first == last) {
    problem = "TYPE \"" + std::string(option.substr(0, equals)) + "\" is not a number from 0 to 65535";
    return std::nullopt;
  }
  event.text = option.substr(equals + 1);
  if (event.text.size() > kLongestFaultEventText) {
    problem = "the text is over " + std::to_string(kLongestFaultEventText) + " bytes";
    return std::nullopt;
  }
  return event;
}
