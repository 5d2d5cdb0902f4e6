// One-line descriptions of Zq records, for people: the dry run, and later the capture dump.
#pragma once

#include <string>
#include <string_view>

// Describes one record: its type, for a remote control its ID and name, the target head (device enum
// and identifier), its size and its payload decoded as far as its layout is known. A record too short
// for what it claims is described as such; nothing outside record is read.
std::string DescribeZqRecord(std::string_view record);

// The record as lower-case hex, two digits a byte.
std::string ToHex(std::string_view bytes);
