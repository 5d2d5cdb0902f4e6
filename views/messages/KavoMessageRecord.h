// A sonar record as the system messages pages read it. The view hands a record on only when its
// frame header's size lies within the bytes the host delivered, so that the pages, which receive the
// record's first byte alone, know where it ends.
#pragma once

#include <cstddef>
#include <span>

#include "platform/tavrin/CExTime.h"

namespace kavomsg {

// Whether bytes hold a whole record: a frame header and trailer at least, and a size field that
// does not promise more than bytes holds.
bool IsWholeRecord(std::span<const std::byte> bytes);

// The record at record, as long as its frame header says; empty for null.
std::span<const std::byte> RecordBytes(const unsigned char* record);

// The time stamp of the record's frame header.
tagTIMEZQ RecordTime(std::span<const std::byte> record);

}  // namespace kavomsg
