// Operator actions as the API takes them: one JSON object, or an array of them, each the way the
// window framework delivers the action on the desktop.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/ViewHost.h"

// The most actions one request may carry.
inline constexpr std::size_t kMostViewActions = 1000;

// False, with a message naming the action at fault and what was expected, for a malformed body.
bool ParseViewActions(std::string_view body, std::vector<ViewAction>& actions, std::string& error);
