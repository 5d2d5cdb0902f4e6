// Stream reassembly of Zq records.
#include "zq/ZqRecordReader.h"

#include <algorithm>

#include "tavrin/LittleEndian.h"
#include "zq/ZqWireFormat.h"

namespace {

constexpr std::byte kSync0{0xFF};
constexpr std::byte kSync1{0xFF};
constexpr std::byte kSync2{0x00};
constexpr std::byte kSync3{0x00};
// A candidate record start can be judged once its sync pattern and size field are in.
constexpr std::size_t kJudgeable = zqwire::kRecordSizeOffset + 4;

bool SyncAt(std::span<const std::byte> data, std::size_t start) {
  const std::size_t sync = start + zqwire::kSyncPatternOffset;
  return data[sync] == kSync0 && data[sync + 1] == kSync1 && data[sync + 2] == kSync2 &&
         data[sync + 3] == kSync3;
}

// The first position from `from` whose sync pattern bytes lie inside data and match; data.size() when
// no position that can still be decided matches (the last few bytes stay undecided).
std::size_t FindRecordStart(std::span<const std::byte> data, std::size_t from) {
  const std::size_t patternEnd = zqwire::kSyncPatternOffset + 4;
  if (data.size() < patternEnd) return from;
  const std::size_t last = data.size() - patternEnd;  // last start whose pattern is complete
  if (from > last) return from;
  for (std::size_t start = from; start <= last; ++start) {
    // Skip quickly to the next 0xFF that could open a sync pattern.
    const auto* first = data.data() + start + zqwire::kSyncPatternOffset;
    const auto* end = data.data() + last + zqwire::kSyncPatternOffset + 1;
    const auto* ff = std::find(first, end, kSync0);
    if (ff == end) return last + 1;
    start = static_cast<std::size_t>(ff - data.data()) - zqwire::kSyncPatternOffset;
    if (SyncAt(data, start)) return start;
  }
  return last + 1;
}

}  // namespace

std::size_t ZqRecordReader::Scan(std::span<const std::byte> data) {
  std::size_t position = 0;
  while (true) {
    const std::size_t start = FindRecordStart(data, position);
    counts_.bytesDiscarded += start - position;
    position = start;
    if (data.size() - position < kJudgeable) return position;

    const std::size_t size = *le::ByteReader(data).U32(position + zqwire::kRecordSizeOffset);
    if (size < zqwire::kMinRecordSize || size > zqwire::kMaxRecordSize) {
      ++counts_.badSize;
      ++counts_.bytesDiscarded;
      position += 1;
      continue;
    }
    if (data.size() - position < size) return position;

    const std::span<const std::byte> record = data.subspan(position, size);
    if (!zqwire::HasValidChecksum(record)) {
      ++counts_.badChecksum;
      ++counts_.bytesDiscarded;
      position += 1;
      continue;
    }
    ++counts_.records;
    counts_.recordBytes += size;
    position += size;
    onRecord_(record);
  }
}

void ZqRecordReader::Feed(std::span<const std::byte> bytes) {
  if (pending_.empty()) {
    // Usual case: whole records straight from the caller's buffer, keeping only a tail.
    const std::size_t done = Scan(bytes);
    pending_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(done), bytes.end());
    return;
  }
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  const std::size_t done = Scan(pending_);
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
}

void ZqRecordReader::Reset() {
  counts_.bytesDiscarded += pending_.size();
  pending_.clear();
}
