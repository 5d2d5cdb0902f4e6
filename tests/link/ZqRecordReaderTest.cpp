// The link's reader: records cut out of a byte stream however it is split, refused records counted,
// and resynchronisation after garbage.
#include "link/ZqRecordReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/zq/ZqWireFormat.h"
#include "tests/platform/zq/ZqTestRecords.h"

namespace {

// A record of `size` bytes with the given type, its data section filled with 'x'.
std::string Record(std::uint32_t size, std::uint32_t type) {
  return HostRecord(type, std::string(size - 68, 'x'));
}

struct Collector {
  std::vector<std::uint32_t> types;
  ZqRecordReader reader{
      [this](std::span<const std::byte> record) { types.push_back(zqwire::ReadHeader(record).recordType); }};
  void Feed(const std::string& bytes) { reader.Feed(zqwire::AsBytes(bytes)); }
};

TEST(ZqRecordReaderTest, TakesRecordsAndRefusesOverlappingHeadersHoweverTheStreamIsSplit) {
  // Fifty headers 12 bytes apart, each claiming 300 bytes, hide two records; read whole and in pieces
  // that cut the kept bytes at every place.
  std::string header(12, '\0');
  header[0] = 5;
  header[2] = 60;
  header.replace(4, 8, std::string("\xFF\xFF\0\0\x2C\x01\0\0", 8));  // sync, size 300
  std::string hiding;
  for (int i = 0; i < 50; ++i) hiding += header;
  const struct {
    std::string stream;
    std::vector<std::uint32_t> types;
    std::uint64_t recordBytes, badChecksum, discardedOrPending;
  } cases[] = {
      {Record(96, 7500) + Record(660, 7000) + Record(68, 7021), {7500, 7000, 7021}, 824, 0, 0},
      {hiding + Record(92, 1) + Record(92, 2) + std::string(400, 'z'), {1, 2}, 184, 50, 50 * 12 + 400},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{63}, std::size_t{64},
                              std::size_t{95}, std::size_t{97}, c.stream.size()}) {
      Collector collector;
      for (std::size_t at = 0; at < c.stream.size(); at += chunk) collector.Feed(c.stream.substr(at, chunk));
      const auto& counts = collector.reader.GetCounts();
      EXPECT_EQ(collector.types, c.types) << "chunk " << chunk;
      EXPECT_EQ(counts.recordBytes, c.recordBytes) << "chunk " << chunk;
      EXPECT_EQ(counts.badChecksum, c.badChecksum) << "chunk " << chunk;
      EXPECT_EQ(counts.bytesDiscarded + collector.reader.Pending(), c.discardedOrPending)
          << "chunk " << chunk;
    }
  }
}

TEST(ZqRecordReaderTest, SkipsGarbageAndRefusedRecordsAndCountsThem) {
  std::string badChecksum = Record(100, 7503);
  badChecksum[70] ^= 1;
  std::string size0 = Record(68, 1);
  size0[8] = 0;  // a header claiming 0 bytes
  std::string size67 = Record(68, 2);
  size67[8] = 67;
  std::string huge = Record(68, 3);
  huge[11] = 0x01;  // 16 MiB + 68
  const std::string garbage("noise\xFF\xFF\x00 more", 13);

  Collector c;
  c.Feed(garbage + Record(92, 1) + badChecksum + Record(92, 2) + size0.substr(0, 12) + size67.substr(0, 12) +
         huge.substr(0, 12) + garbage + Record(92, 3));
  EXPECT_EQ(c.types, (std::vector<std::uint32_t>{1, 2, 3}));
  const auto& counts = c.reader.GetCounts();
  EXPECT_EQ(counts.badChecksum, 1u);
  EXPECT_EQ(counts.badSize, 3u);
  // Everything but the three good records is discarded.
  EXPECT_EQ(counts.bytesDiscarded, 2 * garbage.size() + badChecksum.size() + 3 * 12);
}

TEST(ZqRecordReaderTest, KeepsAnIncompleteRecordUntilItsRestArrivesAndDropsItOnReset) {
  const std::string record = Record(5000, 7003);
  Collector c;
  c.Feed(record.substr(0, 4000));
  EXPECT_TRUE(c.types.empty());
  EXPECT_EQ(c.reader.Pending(), 4000u);
  c.Feed(record.substr(4000));
  EXPECT_EQ(c.types.size(), 1u);

  c.Feed(record.substr(0, 100));
  c.reader.Reset();  // the connection went down mid-record
  c.Feed(Record(92, 7051));
  EXPECT_EQ(c.types, (std::vector<std::uint32_t>{7003, 7051}));
  EXPECT_EQ(c.reader.GetCounts().bytesDiscarded, 100u);
}

TEST(ZqRecordReaderTest, ASyncPatternInsideARefusedRecordIsFoundAgain) {
  // A record cut short by a lost byte: its size runs into the next record, so its checksum fails and
  // the reader must find the following record's sync pattern inside the bytes it had taken.
  std::string cut = Record(200, 9);
  cut.erase(150, 50);
  Collector c;
  c.Feed(cut + Record(92, 10) + Record(92, 11) + std::string(200, 'z'));
  EXPECT_EQ(c.types, (std::vector<std::uint32_t>{10, 11}));
  EXPECT_EQ(c.reader.GetCounts().badChecksum, 1u);
}

}  // namespace
