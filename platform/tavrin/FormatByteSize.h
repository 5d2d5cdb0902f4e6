// A byte count as the host shows file and disk sizes.
#pragma once

#include <cstdint>

#include "platform/afx/CString.h"

// Below 1024 the count itself ("512 B"); from there the largest binary unit (1 KB = 1024 bytes, up to
// TB) that keeps the number at least 1, with one decimal: "1.5 MB".
CString FormatByteSize(std::uint64_t bytes);
