// Capture files: every record a sonar link hands to the network and every valid record it receives,
// one entry each, appended as they happen. An entry is a 16-byte header, then the record exactly as on
// the wire, all little-endian:
//   0  u64  host time, nanoseconds since the Unix epoch
//   8  u8   direction: 0 sent to the sonar, 1 received from it
//   9  u8   zero
//  10  u16  link index (order of the links in the host's configuration)
//  12  u32  record length
//  16       the record
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/zq/ZqWireFormat.h"

class ZqTcpLink;

namespace zqcapture {

inline constexpr std::size_t kEntryHeaderSize = 16;
inline constexpr std::size_t kTimeOffset = 0;
inline constexpr std::size_t kDirectionOffset = 8;
inline constexpr std::size_t kReservedOffset = 9;
inline constexpr std::size_t kLinkIndexOffset = 10;
inline constexpr std::size_t kRecordLengthOffset = 12;
// The longest record an entry may hold: the longest a link accepts.
inline constexpr std::size_t kMaxRecordLength = zqwire::kMaxRecordSize;

inline constexpr std::uint8_t kSent = 0;
inline constexpr std::uint8_t kReceived = 1;

}  // namespace zqcapture

// Appends entries to a capture file; safe to call from several threads. Each entry is flushed to the
// file as a whole before Append returns, so that a reader following the file sees it at once.
class ZqCaptureFile {
 public:
  // Opens path for appending (creating it). Nothing, with a message naming the file and the reason in
  // error, when it cannot be opened.
  static std::unique_ptr<ZqCaptureFile> Open(const std::string& path, std::string& error);

  ZqCaptureFile(const ZqCaptureFile&) = delete;
  ZqCaptureFile& operator=(const ZqCaptureFile&) = delete;
  ~ZqCaptureFile();

  // Appends one entry stamped with the host time now. False, counted in Failures(), when the record is
  // longer than an entry may hold or the file cannot be written.
  bool Append(std::uint8_t direction, std::uint16_t linkIndex, std::span<const std::byte> record);
  // The same with a given time (nanoseconds since the Unix epoch).
  bool AppendAt(std::uint64_t timeNs, std::uint8_t direction, std::uint16_t linkIndex,
                std::span<const std::byte> record);

  std::uint64_t Failures() const;

 private:
  explicit ZqCaptureFile(std::FILE* file) : file_(file) {}

  mutable std::mutex mutex_;
  std::FILE* file_;
  std::uint64_t failures_ = 0;
};

// Makes the link append every record it sends and every valid record it receives to file, as link
// linkIndex. Call before the link starts; file must outlive the link.
void AttachCapture(ZqTcpLink& link, ZqCaptureFile& file, std::uint16_t linkIndex);

// One entry of a capture file. record points into the reader's buffer: valid until its next Feed.
struct ZqCaptureEntry {
  std::uint64_t offset = 0;  // of the entry header in the file
  std::uint64_t timeNs = 0;
  std::uint8_t direction = 0;
  std::uint16_t linkIndex = 0;
  std::span<const std::byte> record;
};

// Reads the entries of a capture file from its bytes, given in pieces as they come (a whole file, or
// what a growing file has gained). Nothing in the bytes is trusted: an entry header that cannot be
// right (a length over 16 MiB, a direction other than 0 or 1, a reserved byte not zero) makes the
// rest of the file unreadable, and the reader says where.
class ZqCaptureReader {
 public:
  enum class Result {
    kEntry,     // entry holds the next entry
    kNeedMore,  // the bytes so far end before the next entry is complete (or exactly after the last)
    kDamaged,   // the entry at Offset() is damaged; Problem() says how. The reader reads no further.
  };

  // Takes the next bytes of the file.
  void Feed(std::span<const std::byte> bytes);
  Result Next(ZqCaptureEntry& entry);

  // The file offset of the next entry to read.
  std::uint64_t Offset() const { return base_ + consumed_; }
  // Whether the bytes fed so far end exactly after an entry, as those of a complete file do.
  bool AtEntryBoundary() const { return !damaged_ && consumed_ == buffer_.size(); }
  // What is wrong at Offset(), naming it: the damage, or (for a file that has ended) the entry that
  // the file cuts off.
  std::string Problem() const;

 private:
  std::vector<std::byte> buffer_;
  std::size_t consumed_ = 0;  // bytes of buffer_ read as whole entries
  std::uint64_t base_ = 0;    // file offset of buffer_[0]
  bool damaged_ = false;
  std::string damage_;
};
