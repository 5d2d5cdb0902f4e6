// JSON text written straight into a string, for answers built often and fast (a view's window tree
// after each change), where building a document first would cost more than the writing.
#pragma once

#include <string>
#include <string_view>

// Appends text as a JSON string: quotes, backslashes and control characters escaped, and bytes that
// are not UTF-8 written as U+FFFD, so that the answer is always valid JSON.
void AppendJsonString(std::string& out, std::string_view text);
