// Names that people give (a profile's, an operator's): printable UTF-8 text of bounded length.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Why name cannot be used as `what` (e.g. "a profile's name"), or empty when it can: 1 to `longest`
// characters of valid UTF-8, none of them a control character.
std::string PrintableNameProblem(std::string_view name, std::string_view what, std::size_t longest);
