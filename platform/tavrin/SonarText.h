// Texts that a sonar sends (event texts, board and field names, recording names) as valid UTF-8. A
// sonar's texts are bytes in no declared encoding: a text that is valid UTF-8 is taken as it is, and
// any other is read as Latin-1 (one character per byte), so that every byte shows as some character
// and nothing downstream (JSON above all) meets a malformed sequence.
#pragma once

#include <string>
#include <string_view>

// Whether bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The text of bytes as valid UTF-8: bytes themselves when they are valid UTF-8, otherwise every byte
// read as the Latin-1 character of that number (bytes 0x80 to 0xFF become two bytes each).
std::string SonarTextToUtf8(std::string_view bytes);
