// Capture files: an entry's bytes, appending across openings, reading back whole, piecemeal, cut-off and
// damaged bytes. (The host's links captured: the end-to-end ApiLoadTest.)
#include "link/ZqCaptureFile.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>
#include <vector>

#include "platform/zq/ZqWireFormat.h"
#include "tests/tools/HexBytes.h"
#include "tests/tools/ScratchFolder.h"

namespace {

using Result = ZqCaptureReader::Result;
using zqwire::AsBytes;

// Two entries: "abcde" received on link 0x0203, then an empty record sent on link 0.
const std::string kTwoEntries = HexBytes(
    "6e5d4c3b2a1fce17 01 00 0302 05000000 6162636465"
    "15075bbd93d4cc17 00 00 0000 00000000");

class ZqCapture : public ::testing::Test {
 protected:
  std::string Path() const { return (folder_ / "links.zqcap").string(); }
  std::string Contents() const { return ReadText(Path()); }

  ScratchFolder folder_{"capture-test"};
};

TEST_F(ZqCapture, AppendsEntriesLittleEndianAfterWhatTheFileHolds) {
  std::string error;
  {
    const auto first = ZqCaptureFile::Open(Path(), error);
    ASSERT_TRUE(first) << error;
    EXPECT_TRUE(first->AppendAt(0x17CE1F2A3B4C5D6E, 1, 0x0203, AsBytes("abcde")));
  }
  const auto file = ZqCaptureFile::Open(Path(), error);
  ASSERT_TRUE(file) << error;
  EXPECT_TRUE(file->AppendAt(1714979289123456789, 0, 0, {}));
  EXPECT_EQ(Contents(), kTwoEntries);

  // A record longer than a link accepts has no place in the file.
  EXPECT_FALSE(file->Append(0, 0, std::vector<std::byte>(16u * 1024u * 1024u + 1u)));
  EXPECT_EQ(file->Failures(), 1U);
  EXPECT_EQ(Contents(), kTwoEntries);

  EXPECT_FALSE(ZqCaptureFile::Open((folder_.path / "no-such-folder" / "x").string(), error));
  EXPECT_NE(error.find("no-such-folder/x\": No such file"), std::string::npos) << error;
}

// Feeds bytes to reader and takes every entry it completes, with its record as text.
Result ReadAll(std::string_view bytes, ZqCaptureReader& reader,
               std::vector<std::pair<ZqCaptureEntry, std::string>>* entries = nullptr) {
  reader.Feed(AsBytes(bytes));
  ZqCaptureEntry entry;
  Result result = Result::kEntry;
  while ((result = reader.Next(entry)) == Result::kEntry) {
    if (entries)
      entries->emplace_back(
          entry, std::string(reinterpret_cast<const char*>(entry.record.data()), entry.record.size()));
  }
  return result;
}

TEST_F(ZqCapture, ReaderGivesEntriesFromBytesInAnyPiecesAndNamesTheOffsetOfACutOffOrDamagedOne) {
  ZqCaptureReader reader;
  std::vector<std::pair<ZqCaptureEntry, std::string>> entries;
  for (const char c : kTwoEntries) ReadAll(std::string(1, c), reader, &entries);
  ASSERT_EQ(entries.size(), 2U);
  const auto& [first, second] = std::tie(entries[0].first, entries[1].first);
  EXPECT_EQ(std::tie(first.offset, first.timeNs, first.direction, first.linkIndex, entries[0].second),
            std::make_tuple(0U, 0x17CE1F2A3B4C5D6EU, 1, 0x0203, "abcde"));
  EXPECT_EQ(std::tie(second.offset, second.timeNs, second.direction, second.linkIndex, entries[1].second),
            std::make_tuple(21U, 1714979289123456789U, 0, 0, ""));
  EXPECT_TRUE(reader.AtEntryBoundary());

  const std::string first21 = kTwoEntries.substr(0, 21);
  const std::pair<std::string, std::string> cutOff[] = {
      {kTwoEntries.substr(0, 19), "entry at offset 0: the file ends after 3 of its 5 record bytes"},
      {kTwoEntries.substr(0, 24), "entry at offset 21: the file ends 3 bytes into its 16-byte header"},
      // The longest record there may be is waited for.
      {first21 + HexBytes("0000000000000000 00 00 0000 00000001"),
       "entry at offset 21: the file ends after 0 of its 16777216 record bytes"},
  };
  for (const auto& [bytes, problem] : cutOff) {
    ZqCaptureReader cut;
    EXPECT_EQ(ReadAll(bytes, cut), Result::kNeedMore);
    EXPECT_FALSE(cut.AtEntryBoundary());
    EXPECT_EQ(cut.Problem(), problem);
  }

  const std::pair<std::string, std::string> damaged[] = {
      {"0000000000000000 00 00 0000 01000001", "record length 16777217 is over the limit of 16 MiB"},
      {"0000000000000000 00 00 0000 ffffffff", "record length 4294967295 is over the limit of 16 MiB"},
      {"0000000000000000 02 00 0000 00000000", "direction 2 is neither 0 (sent) nor 1 (received)"},
      {"0000000000000000 01 07 0000 00000000", "byte 9 is 7 instead of zero"},
  };
  for (const auto& [header, problem] : damaged) {
    ZqCaptureReader bad;
    EXPECT_EQ(ReadAll(first21 + HexBytes(header), bad), Result::kDamaged);
    EXPECT_EQ(bad.Problem(), "entry at offset 21: " + problem);
    EXPECT_EQ(ReadAll(kTwoEntries, bad), Result::kDamaged);  // nothing after the damage is read
    EXPECT_EQ(bad.Offset(), 21U);
  }
}

}  // namespace
