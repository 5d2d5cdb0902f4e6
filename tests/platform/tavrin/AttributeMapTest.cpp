// Attribute maps and typed values: lookup, editing by occurrence, copies and merging a request.
#include "platform/tavrin/CAttributeMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The names of the typed reads that succeed on value.
std::string Readable(const COrvType& value) {
  const auto as = [&value](auto probe, const char* name) {
    return std::string(value.GetValue(probe) ? name : "");
  };
  double second = 0.0;
  return as(0, "int ") + as(std::int64_t{0}, "int64 ") + as(false, "bool ") + as(0.0, "double ") +
         (value.GetValue(second, second) ? "double2d " : "") + as(CString(), "text ") +
         as(std::vector<int>(), "ints ") + as(std::vector<double>(), "doubles ") +
         as(OrvDataInfo(), "datainfo ");
}

TEST(OrvType, AValueReadsOnlyAsItsOwnKind) {
  // An int is neither a double nor a 64-bit integer, a bool is no int, and so on.
  std::string kinds;
  for (const COrvType& value :
       std::initializer_list<COrvType>{COrvType(), COrvInt(3), COrvInt64(3), COrvBool(true), COrvDouble(1.5),
                                       COrvDouble2D(10.0, -5.0), COrvString("abc"), COrvIntList({7000}),
                                       COrvDoubleList({2.5}), COrvDataInfo(CDataId(1, 78, 1, 1), 1, 2)}) {
    kinds += Readable(value) + "|";
  }
  EXPECT_EQ(kinds, "|int |int64 |bool |double |double2d |text |ints |doubles |datainfo |");
}

TEST(AttributeMap, ChildMapsAreFoundByOccurrenceMissingEntriesReadEmptyCopiesAreDeep) {
  CAttributeMap map;
  map.Add("ZqMBesXYZ")->Add("Yaw", COrvDouble(1.5));
  map.Add("ZqMBesXYZ")->Add("Yaw", COrvDouble(-0.5));
  map.Add("Gain", COrvInt(3));
  ASSERT_NE(map.Find("ZqMBesXYZ", 1), nullptr);
  EXPECT_EQ(map.Find("ZqMBesXYZ", 0)->FindValue("Yaw"), COrvDouble(1.5));
  EXPECT_EQ(map.Find("ZqMBesXYZ", 1)->FindValue("Yaw"), COrvDouble(-0.5));
  EXPECT_EQ(map.Find("ZqMBesXYZ", 2), nullptr);
  EXPECT_EQ(map.Find("Gain"), nullptr);  // a value is no child map
  EXPECT_EQ(Readable(map.FindValue("Missing")), "");
  EXPECT_EQ(Readable(map.FindValue("ZqMBesXYZ")), "");

  CAttributeMap copy(map);  // copies are deep
  CAttributeMap assigned;
  assigned = map;
  copy.Find("ZqMBesXYZ", 1)->Add("Yaw", COrvDouble(9.0));
  assigned.Find("ZqMBesXYZ", 1)->RemoveAll();
  EXPECT_EQ(map.Find("ZqMBesXYZ", 1)->FindValue("Yaw"), COrvDouble(-0.5));
}

TEST(AttributeMap, AddReplacesInPlaceAppendAppendsRemoveMovesLaterOccurrencesDown) {
  CAttributeMap map;
  map.Add("X", COrvInt(1));
  map.Add("B", COrvInt(2));
  map.Append("X", COrvInt(3));
  map.Add("Y")->Add("Inner", COrvInt(9));
  map.Add("X", COrvDouble(2.5), 1);  // an int becomes a double, in place
  map.Add("Y", COrvBool(true));      // a child map becomes a value
  map.Add("Z", COrvInt(4), 3);       // missing: appended
  map.Append("X", COrvInt(5));
  ASSERT_EQ(map.GetCount(), 6);
  const char* order[] = {"X", "B", "X", "Y", "Z", "X"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(map.Entries()[i].key, CString(order[i])) << i;
  EXPECT_EQ(Readable(map.FindValue("Y")), "bool ");

  EXPECT_TRUE(map.Remove("X", 0));
  EXPECT_EQ(map.FindValue("X", 0), COrvDouble(2.5));
  EXPECT_EQ(map.FindValue("X", 1), COrvInt(5));
  EXPECT_FALSE(map.Remove("X", 2));
}

TEST(AttributeMap, MergeJoinsRequestsKeepsPendingKeysAndMatchesOccurrences) {
  CAttributeMap device;
  device.Add("Request")->Add("ZqRange", COrvDouble(250.0));
  device.Find("Request")->Add("ZqPower", COrvDouble(200.0));
  device.Add("ZqMBesXYZ")->Add("Length", COrvDouble(1.0));
  device.Add("ZqMBesXYZ")->Add("Length", COrvDouble(2.0));
  CAttributeMap incoming;
  incoming.Add("Request")->Add("ZqPower", COrvDouble(210.0));
  incoming.Find("Request")->Add("ZqGain", COrvDouble(12.0));
  incoming.Add("ZqMBesXYZ")->Add("Width", COrvDouble(0.5));
  incoming.Add("ZqMBesXYZ")->Add("Length", COrvDouble(4.0));
  incoming.Add("ZqMBesXYZ")->Add("Length", COrvDouble(6.0));
  device.Merge(incoming);

  CAttributeMap request;  // the pending key stays; incoming ones replace or are added
  request.Add("ZqRange", COrvDouble(250.0));
  request.Add("ZqPower", COrvDouble(210.0));
  request.Add("ZqGain", COrvDouble(12.0));
  ASSERT_TRUE(device.Find("Request") && device.Find("ZqMBesXYZ", 2));
  EXPECT_TRUE(*device.Find("Request") == request);
  EXPECT_EQ(device.Find("ZqMBesXYZ", 0)->FindValue("Length"), COrvDouble(1.0));  // child maps merge too
  EXPECT_EQ(device.Find("ZqMBesXYZ", 0)->FindValue("Width"), COrvDouble(0.5));
  EXPECT_EQ(device.Find("ZqMBesXYZ", 1)->FindValue("Length"), COrvDouble(4.0));
  EXPECT_EQ(device.Find("ZqMBesXYZ", 2)->FindValue("Length"), COrvDouble(6.0));
}

}  // namespace
