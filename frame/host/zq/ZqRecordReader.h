// Cuts a byte stream from a sonar link into records. It finds each record by its sync pattern, checks
// its size bounds and checksum, hands the valid ones on in order, and counts what it refuses. After
// garbage or a refused record it resynchronises on the next sync pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class ZqRecordReader {
 public:
  struct Counts {
    std::uint64_t records = 0;         // valid records handed on
    std::uint64_t recordBytes = 0;     // bytes of those records
    std::uint64_t badSize = 0;         // sync pattern found, size below 68 or above 16 MiB
    std::uint64_t badChecksum = 0;     // complete record whose trailing bytes are not its checksum
    std::uint64_t bytesDiscarded = 0;  // bytes that were not part of a valid record
  };

  // Called with each valid record, whole; the bytes are valid only during the call.
  using RecordHandler = std::function<void(std::span<const std::byte> record)>;

  explicit ZqRecordReader(RecordHandler onRecord) : onRecord_(std::move(onRecord)) {}

  // Takes the next bytes of the stream. Complete records are handed on before this returns; an
  // incomplete one is kept (at most one record's worth, 16 MiB) until the rest arrives.
  void Feed(std::span<const std::byte> bytes);

  // Forgets an incomplete record (the connection it came from is gone); its bytes count as discarded.
  void Reset();

  const Counts& GetCounts() const { return counts_; }
  // Bytes held back waiting for the rest of a record.
  std::size_t Pending() const { return pending_.size(); }

 private:
  // Hands on or refuses what it can decide in data; returns how many leading bytes are done with.
  std::size_t Scan(std::span<const std::byte> data);

  RecordHandler onRecord_;
  std::vector<std::byte> pending_;
  Counts counts_;
};
