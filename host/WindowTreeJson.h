// A window and everything in it as the API shows it: id, kind, text, enabled and visible state,
// rectangle in the parent's client area, children (the top of the Z order first), and the state of
// its kind of control.
#pragma once

#include <nlohmann/json.hpp>

struct AfxWindow;

nlohmann::ordered_json WindowTreeJson(const AfxWindow& window);
