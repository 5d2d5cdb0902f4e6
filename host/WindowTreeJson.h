// A window and everything in it as the API shows it: id, kind, text, enabled and visible state,
// rectangle in the parent's client area, children (the top of the Z order first), and the state of
// its kind of control. Written straight as JSON text: a view's tree is written again after each change.
#pragma once

#include <string>

struct AfxWindow;

void AppendWindowTreeJson(const AfxWindow& window, std::string& out);
