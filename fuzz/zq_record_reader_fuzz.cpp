// Feeds arbitrary bytes to the link's record reader in chunks of varying size. Every record it hands
// on must lie inside what was fed, be as long as its size field says and carry a valid checksum, and
// the counts must add up to the bytes fed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "link/ZqRecordReader.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto bytes = std::as_bytes(std::span(data, size)).subspan(1);
  const std::size_t chunk = 1 + data[0] * 7u;  // 1 to 1786 bytes a read

  ZqRecordReader reader([](std::span<const std::byte> record) {
    const auto recordSize = le::ByteReader(record).U32(zqwire::kRecordSizeOffset);
    if (!recordSize || *recordSize != record.size() || !zqwire::HasValidChecksum(record)) std::abort();
  });
  for (std::size_t at = 0; at < bytes.size(); at += chunk) {
    reader.Feed(bytes.subspan(at, std::min(chunk, bytes.size() - at)));
  }
  const auto& counts = reader.GetCounts();
  if (counts.recordBytes + counts.bytesDiscarded + reader.Pending() != bytes.size()) std::abort();
  return 0;
}
