// What a lying sonar costs the link's record reader: 4 MiB of record headers overlapping one another,
// a sync pattern every 12 bytes, each header claiming a record of 512 KiB or 2 MiB, fed as socket reads
// of 64 KiB. Every header waits for the bytes it claims and is then refused by its checksum; the CPU
// time of the whole stream shows whether resynchronising stays linear in the bytes received.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "link/ZqRecordReader.h"
#include "platform/tavrin/LittleEndian.h"
#include "platform/zq/ZqWireFormat.h"

namespace {

constexpr std::size_t kStreamBytes = 4 * 1024 * 1024;
constexpr std::size_t kRead = 64 * 1024;  // what one socket read hands over
constexpr std::size_t kHeaderStep = 12;   // version, data offset, sync pattern and size, repeated

std::string OverlappingHeaders(std::uint32_t claimedSize) {
  std::string stream(kStreamBytes, '\0');
  const auto bytes = std::as_writable_bytes(std::span(stream.data(), stream.size()));
  for (std::size_t at = 0; at + kHeaderStep <= stream.size(); at += kHeaderStep) {
    le::PutU16(bytes, at + zqwire::kProtocolVersionOffset, zqwire::kProtocolVersion);
    le::PutU16(bytes, at + zqwire::kDataOffsetOffset, zqwire::kDataOffsetFromSync);
    le::PutU32(bytes, at + zqwire::kSyncPatternOffset, zqwire::kSyncPattern);
    le::PutU32(bytes, at + zqwire::kRecordSizeOffset, claimedSize);
  }
  return stream;
}

void BM_ResyncOnOverlappingHeaders(benchmark::State& state) {
  const std::string stream = OverlappingHeaders(static_cast<std::uint32_t>(state.range(0)));
  const auto bytes = zqwire::AsBytes(stream);
  std::uint64_t refused = 0;
  for (auto _ : state) {
    ZqRecordReader reader([](std::span<const std::byte>) {});
    for (std::size_t at = 0; at < bytes.size(); at += kRead) {
      reader.Feed(bytes.subspan(at, std::min(kRead, bytes.size() - at)));
    }
    refused = reader.GetCounts().badChecksum;
    benchmark::DoNotOptimize(refused);
  }
  state.counters["refused"] = static_cast<double>(refused);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ResyncOnOverlappingHeaders)
    ->Arg(512 * 1024)
    ->Arg(2 * 1024 * 1024)
    ->Unit(benchmark::kMillisecond);

}  // namespace
