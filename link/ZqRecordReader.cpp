// Stream reassembly of Zq records.
#include "link/ZqRecordReader.h"

#include <algorithm>

#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"

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

std::uint32_t ZqRecordReader::ByteSums::Prefix(std::span<const std::byte> data, std::size_t end) {
  const std::size_t block = end / kBlock;
  for (std::size_t k = blocks_.size(); k <= block; ++k) {
    // A whole block at a time, in a loop of fixed length that the compiler turns into vector adds.
    const std::byte* first = data.data() + (k - 1) * kBlock;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kBlock; ++i) sum += std::to_integer<std::uint32_t>(first[i]);
    blocks_.push_back(blocks_.back() + sum);
  }
  return blocks_[block] + zqwire::ByteSum(data.subspan(block * kBlock, end - block * kBlock));
}

std::uint32_t ZqRecordReader::ByteSums::Sum(std::span<const std::byte> data, std::size_t from,
                                            std::size_t to) {
  // Sums wrap, so the difference of two prefix sums is the sum between them.
  return Prefix(data, to) - Prefix(data, from);
}

void ZqRecordReader::ByteSums::DropFront(std::size_t blocks) {
  if (blocks >= blocks_.size()) {
    Clear();
    return;
  }
  // The first sum kept stands for the bytes before the new start; only differences are ever used.
  blocks_.erase(blocks_.begin(), blocks_.begin() + static_cast<std::ptrdiff_t>(blocks));
}

bool ZqRecordReader::HasValidChecksum(std::span<const std::byte> data, std::size_t start, std::size_t size) {
  const std::size_t trailer = start + size - zqwire::kTrailerSize;
  return le::ByteReader(data).U32(trailer) == sums_.Sum(data, start, trailer);
}

std::size_t ZqRecordReader::Scan(std::span<const std::byte> data, std::size_t position) {
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

    if (!HasValidChecksum(data, position, size)) {
      ++counts_.badChecksum;
      ++counts_.bytesDiscarded;
      position += 1;
      continue;
    }
    ++counts_.records;
    counts_.recordBytes += size;
    onRecord_(data.subspan(position, size));
    position += size;
  }
}

void ZqRecordReader::Feed(std::span<const std::byte> bytes) {
  if (Pending() == 0) {
    // Usual case: whole records straight from the caller's buffer, keeping only a tail.
    sums_.Clear();
    const std::size_t done = Scan(bytes, 0);
    sums_.Clear();
    pending_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(done), bytes.end());
    pendingStart_ = 0;
    return;
  }
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  pendingStart_ = Scan(pending_, pendingStart_);
  if (pendingStart_ == pending_.size()) {
    pending_.clear();
    pendingStart_ = 0;
    sums_.Clear();
    return;
  }
  // Bytes done with are dropped in whole blocks once they are as many as those still kept: each byte
  // is then moved a bounded number of times, however a long record arrives.
  const std::size_t blocks = pendingStart_ / ByteSums::kBlock;
  if (blocks == 0 || pendingStart_ < pending_.size() - pendingStart_) return;
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(blocks * ByteSums::kBlock));
  pendingStart_ -= blocks * ByteSums::kBlock;
  sums_.DropFront(blocks);
}

void ZqRecordReader::Reset() {
  counts_.bytesDiscarded += Pending();
  pending_.clear();
  pendingStart_ = 0;
  sums_.Clear();
}
