// Cuts a byte stream from a sonar link into records. It finds each record by its sync pattern, checks
// its size bounds and checksum, hands the valid ones on in order, and counts what it refuses. After
// garbage or a refused record it resynchronises on the next sync pattern.
//
// Resynchronising costs time linear in the bytes received, however the stream lies: a checksum is
// checked from running byte sums kept at every 64th byte, so a candidate record that claims megabytes
// and fails costs a few dozen additions, not a pass over the megabytes it claims.
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
  std::size_t Pending() const { return pending_.size() - pendingStart_; }

 private:
  // The unsigned 32-bit sums of the leading bytes of a byte span, kept at every kBlock-th byte and
  // extended only as far as asked: the sum of any stretch then costs fewer than 2 * kBlock additions.
  class ByteSums {
   public:
    static constexpr std::size_t kBlock = 64;

    // The sum of bytes [from, to) of data, which must be the span the sums were kept for so far.
    std::uint32_t Sum(std::span<const std::byte> data, std::size_t from, std::size_t to);
    // Forgets every sum (the span changes).
    void Clear() { blocks_.assign(1, 0); }
    // The span loses its first blocks * kBlock bytes.
    void DropFront(std::size_t blocks);

   private:
    std::uint32_t Prefix(std::span<const std::byte> data, std::size_t end);

    std::vector<std::uint32_t> blocks_{0};  // blocks_[k]: sum of the bytes before k * kBlock
  };

  // Hands on or refuses what it can decide in data from position on; returns how many leading bytes
  // are done with.
  std::size_t Scan(std::span<const std::byte> data, std::size_t position);
  // Whether the candidate record [start, start + size) of data carries its checksum.
  bool HasValidChecksum(std::span<const std::byte> data, std::size_t start, std::size_t size);

  RecordHandler onRecord_;
  // Bytes kept for a record not yet complete: those from pendingStart_ on (the ones before it are done
  // with and dropped in blocks, so that keeping a long record costs no copy per read).
  std::vector<std::byte> pending_;
  std::size_t pendingStart_ = 0;
  ByteSums sums_;  // of pending_, or of the bytes fed while nothing is pending
  Counts counts_;
};
