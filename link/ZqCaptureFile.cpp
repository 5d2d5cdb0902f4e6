// Capture files: appending entries under a lock, and reading them back from untrusted bytes.
#include "link/ZqCaptureFile.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/ZqTcpLink.h"
#include "platform/tavrin/LittleEndian.h"

using namespace zqcapture;

std::unique_ptr<ZqCaptureFile> ZqCaptureFile::Open(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) {
    error = "cannot open capture file \"" + path + "\": " + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<ZqCaptureFile>(new ZqCaptureFile(file));
}

ZqCaptureFile::~ZqCaptureFile() {
  std::fclose(file_);
}

bool ZqCaptureFile::Append(std::uint8_t direction, std::uint16_t linkIndex,
                           std::span<const std::byte> record) {
  const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  const std::uint64_t timeNs = sinceEpoch.count() < 0 ? 0 : static_cast<std::uint64_t>(sinceEpoch.count());
  return AppendAt(timeNs, direction, linkIndex, record);
}

bool ZqCaptureFile::AppendAt(std::uint64_t timeNs, std::uint8_t direction, std::uint16_t linkIndex,
                             std::span<const std::byte> record) {
  std::array<std::byte, kEntryHeaderSize> header{};
  le::PutU64(header, kTimeOffset, timeNs);
  le::PutU8(header, kDirectionOffset, direction);
  le::PutU8(header, kReservedOffset, 0);
  le::PutU16(header, kLinkIndexOffset, linkIndex);
  le::PutU32(header, kRecordLengthOffset, static_cast<std::uint32_t>(record.size()));

  std::lock_guard lock(mutex_);
  if (record.size() > kMaxRecordLength) {
    ++failures_;
    return false;
  }
  // A write that failed once (a full disk) is tried afresh with the next entry.
  std::clearerr(file_);
  const bool written =
      std::fwrite(header.data(), 1, header.size(), file_) == header.size() &&
      (record.empty() || std::fwrite(record.data(), 1, record.size(), file_) == record.size()) &&
      std::fflush(file_) == 0;
  if (!written) ++failures_;
  return written;
}

std::uint64_t ZqCaptureFile::Failures() const {
  std::lock_guard lock(mutex_);
  return failures_;
}

void AttachCapture(ZqTcpLink& link, ZqCaptureFile& file, std::uint16_t linkIndex) {
  link.SetTap([&file, linkIndex](ZqTcpLink::Direction direction, std::span<const std::byte> record) {
    file.Append(direction == ZqTcpLink::Direction::kSent ? kSent : kReceived, linkIndex, record);
  });
}

void ZqCaptureReader::Feed(std::span<const std::byte> bytes) {
  if (damaged_) return;
  // Entries already read are done with; keep only the one begun.
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(consumed_));
  base_ += consumed_;
  consumed_ = 0;
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

ZqCaptureReader::Result ZqCaptureReader::Next(ZqCaptureEntry& entry) {
  if (damaged_) return Result::kDamaged;
  const le::ByteReader rest(std::span<const std::byte>(buffer_).subspan(consumed_));
  if (!rest.Fits(0, kEntryHeaderSize)) return Result::kNeedMore;

  const std::uint8_t direction = rest.U8(kDirectionOffset).value_or(0);
  const std::uint8_t reserved = rest.U8(kReservedOffset).value_or(0);
  const std::uint32_t length = rest.U32(kRecordLengthOffset).value_or(0);
  const auto damage = [&](const std::string& what) {
    damaged_ = true;
    damage_ = "entry at offset " + std::to_string(Offset()) + ": " + what;
    return Result::kDamaged;
  };
  if (direction != kSent && direction != kReceived)
    return damage("direction " + std::to_string(direction) + " is neither 0 (sent) nor 1 (received)");
  if (reserved != 0) return damage("byte 9 is " + std::to_string(reserved) + " instead of zero");
  if (length > kMaxRecordLength)
    return damage("record length " + std::to_string(length) + " is over the limit of 16 MiB");

  const auto record = rest.Bytes(kEntryHeaderSize, length);
  if (!record) return Result::kNeedMore;
  entry.offset = Offset();
  entry.timeNs = rest.U64(kTimeOffset).value_or(0);
  entry.direction = direction;
  entry.linkIndex = rest.U16(kLinkIndexOffset).value_or(0);
  entry.record = *record;
  consumed_ += kEntryHeaderSize + length;
  return Result::kEntry;
}

std::string ZqCaptureReader::Problem() const {
  if (damaged_) return damage_;
  const std::size_t left = buffer_.size() - consumed_;
  if (left == 0) return {};
  const std::string where = "entry at offset " + std::to_string(Offset()) + ": ";
  if (left < kEntryHeaderSize) {
    return where + "the file ends " + std::to_string(left) + " bytes into its " +
           std::to_string(kEntryHeaderSize) + "-byte header";
  }
  const std::uint32_t length = le::ByteReader(std::span<const std::byte>(buffer_).subspan(consumed_))
                                   .U32(kRecordLengthOffset)
                                   .value_or(0);
  return where + "the file ends after " + std::to_string(left - kEntryHeaderSize) + " of its " +
         std::to_string(length) + " record bytes";
}
