// Attribute maps and typed values: lookup by key and occurrence, replacing and appending entries,
// copies, and merging a request into a device's map.
#include "tavrin/CAttributeMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The names of the typed reads that succeed on value.
std::string Readable(const COrvType& value) {
  int i = 0;
  std::int64_t i64 = 0;
  bool b = false;
  double d = 0.0;
  double d2 = 0.0;
  CString text;
  std::vector<int> ints;
  std::vector<double> doubles;
  OrvDataInfo info;
  std::string kinds;
  if (value.GetValue(i)) kinds += "int ";
  if (value.GetValue(i64)) kinds += "int64 ";
  if (value.GetValue(b)) kinds += "bool ";
  if (value.GetValue(d)) kinds += "double ";
  if (value.GetValue(d, d2)) kinds += "double2d ";
  if (value.GetValue(text)) kinds += "text ";
  if (value.GetValue(ints)) kinds += "ints ";
  if (value.GetValue(doubles)) kinds += "doubles ";
  if (value.GetValue(info)) kinds += "datainfo ";
  return kinds;
}

double Double(const CAttributeMap& map, const CString& key, int index = 0) {
  double value = -999.0;
  EXPECT_TRUE(map.FindValue(key, index).GetValue(value)) << key.Str() << "[" << index << "] is no double";
  return value;
}

int Int(const CAttributeMap& map, const CString& key, int index = 0) {
  int value = -999;
  EXPECT_TRUE(map.FindValue(key, index).GetValue(value)) << key.Str() << "[" << index << "] is no int";
  return value;
}

TEST(OrvType, AValueReadsOnlyAsItsOwnKind) {
  EXPECT_EQ(Readable(COrvType()), "");
  EXPECT_EQ(Readable(COrvInt(3)), "int ");  // an int is not a double, nor a 64-bit integer
  EXPECT_EQ(Readable(COrvInt64(3)), "int64 ");
  EXPECT_EQ(Readable(COrvBool(true)), "bool ");  // a bool is not an int
  EXPECT_EQ(Readable(COrvDouble(1.5)), "double ");
  EXPECT_EQ(Readable(COrvDouble2D(10.0, -5.0)), "double2d ");
  EXPECT_EQ(Readable(COrvString("abc")), "text ");
  EXPECT_EQ(Readable(COrvIntList({7000, 7503})), "ints ");
  EXPECT_EQ(Readable(COrvDoubleList({2.5})), "doubles ");
  EXPECT_EQ(Readable(COrvDataInfo(CDataId(1, 78, 1, 1), 1, 2)), "datainfo ");

  COrvType value = COrvInt(3);
  value.SetValue(10.0, -5.0);  // a write replaces the kind too
  double first = 0.0;
  double second = 0.0;
  EXPECT_EQ(Readable(value), "double2d ");
  ASSERT_TRUE(value.GetValue(first, second));
  EXPECT_EQ(first, 10.0);
  EXPECT_EQ(second, -5.0);
}

TEST(AttributeMap, ChildMapsOfOneNameAreToldApartByOccurrence) {
  CAttributeMap info;
  info.Add("ZqMBesXYZ")->Add("ZqMBesXYZOffsetYaw", COrvDouble(1.5));
  info.Add("ZqMBesXYZ")->Add("ZqMBesXYZOffsetYaw", COrvDouble(-0.5));

  ASSERT_NE(info.Find("ZqMBesXYZ", 1), nullptr);
  EXPECT_EQ(info.GetAttrMap("ZqMBesXYZ"), info.Find("ZqMBesXYZ", 0));
  EXPECT_EQ(Double(*info.Find("ZqMBesXYZ", 0), "ZqMBesXYZOffsetYaw"), 1.5);
  EXPECT_EQ(Double(*info.Find("ZqMBesXYZ", 1), "ZqMBesXYZOffsetYaw"), -0.5);
  EXPECT_EQ(info.Find("ZqMBesXYZ", 2), nullptr);
  EXPECT_EQ(info.Find("ZqMBesXYZ", -1), nullptr);
  EXPECT_TRUE(info.Has("ZqMBesXYZ", 1));
  EXPECT_FALSE(info.Has("ZqMBesXYZ", 2));
}

TEST(AttributeMap, MissingKeysAndChildMapsReadAsEmptyValues) {
  CAttributeMap map;
  map.Add("Request");
  map.Add("Gain", COrvInt(3));
  EXPECT_EQ(Readable(map.FindValue("Missing")), "");
  EXPECT_EQ(Readable(map.FindValue("Request")), "");
  EXPECT_EQ(Readable(map.FindValue("Gain", 1)), "");
  EXPECT_EQ(map.Find("Gain"), nullptr);  // a value is no child map
}

TEST(AttributeMap, AddReplacesWhateverIsThereAppendAlwaysAppends) {
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
  EXPECT_EQ(Int(map, "X", 0), 1);
  EXPECT_EQ(Double(map, "X", 1), 2.5);
  EXPECT_EQ(Int(map, "X", 2), 5);
  EXPECT_EQ(map.Find("Y"), nullptr);
  EXPECT_EQ(Readable(map.FindValue("Y")), "bool ");
  const char* order[] = {"X", "B", "X", "Y", "Z", "X"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(map.Entries()[i].key, CString(order[i])) << i;
}

TEST(AttributeMap, RemoveMovesLaterOccurrencesDown) {
  CAttributeMap map;
  map.Append("X", COrvInt(10));
  map.Append("Other", COrvInt(0));
  map.Append("X", COrvInt(11));
  map.Append("X", COrvInt(12));

  EXPECT_TRUE(map.Remove("X", 0));
  EXPECT_EQ(Int(map, "X", 0), 11);
  EXPECT_EQ(Int(map, "X", 1), 12);
  EXPECT_FALSE(map.Has("X", 2));
  EXPECT_FALSE(map.Remove("X", 2));
  EXPECT_FALSE(map.Remove("Missing"));
  EXPECT_EQ(map.GetCount(), 3);
}

TEST(AttributeMap, FindCreateMakesAChildMapOnlyWhenMissing) {
  CAttributeMap map;
  CAttributeMap* request = map.FindCreate("Request");
  ASSERT_NE(request, nullptr);
  request->Add("ZqRange", COrvDouble(250.0));
  EXPECT_EQ(map.FindCreate("Request"), request);
  EXPECT_EQ(map.GetCount(), 1);
  EXPECT_NE(map.FindCreate("Request", 1), request);  // occurrence 1 is missing
  EXPECT_EQ(map.GetCount(), 2);
}

TEST(AttributeMap, CopiesAreDeep) {
  CAttributeMap original;
  original.Add("Request")->Add("ZqRange", COrvDouble(250.0));

  CAttributeMap copy(original);
  copy.Find("Request")->Add("ZqRange", COrvDouble(500.0));
  CAttributeMap assigned;
  assigned = original;
  assigned.Find("Request")->RemoveAll();

  EXPECT_EQ(Double(*original.Find("Request"), "ZqRange"), 250.0);
  EXPECT_EQ(original.Find("Request")->GetCount(), 1);
  EXPECT_EQ(Double(*copy.Find("Request"), "ZqRange"), 500.0);
  EXPECT_FALSE(copy == original);
}

TEST(AttributeMap, MergeJoinsAnIncomingRequestWithThePendingOneAndKeepsTheRest) {
  CAttributeMap device;
  device.Add("Gain", COrvInt(3));
  device.Add("ZqRange", COrvDouble(100.0));
  device.Add("Request")->Add("ZqRange", COrvDouble(250.0));
  device.Find("Request")->Add("ZqPower", COrvDouble(200.0));

  CAttributeMap incoming;
  incoming.Add("ZqRange", COrvDouble(250.0));
  incoming.Add("Request")->Add("ZqPower", COrvDouble(210.0));
  incoming.Find("Request")->Add("ZqGain", COrvDouble(12.0));
  device.Merge(incoming);

  ASSERT_EQ(device.GetCount(), 3);
  EXPECT_EQ(Int(device, "Gain"), 3);
  EXPECT_EQ(Double(device, "ZqRange"), 250.0);
  const CAttributeMap& merged = *device.Find("Request");
  EXPECT_EQ(Double(merged, "ZqRange"), 250.0);
  EXPECT_EQ(Double(merged, "ZqPower"), 210.0);
  EXPECT_EQ(Double(merged, "ZqGain"), 12.0);
  EXPECT_EQ(merged.GetCount(), 3);
}

TEST(AttributeMap, MergeMatchesEntriesByOccurrence) {
  CAttributeMap device;
  device.Append("Level", COrvInt(1));
  device.Add("ZqMBesXYZ")->Add("ZqMBesXYZLength", COrvDouble(1.0));
  device.Add("ZqMBesXYZ")->Add("ZqMBesXYZLength", COrvDouble(2.0));

  CAttributeMap incoming;
  incoming.Append("Level", COrvInt(10));
  incoming.Append("Level", COrvInt(20));
  incoming.Add("ZqMBesXYZ")->Add("ZqMBesXYZWidth", COrvDouble(0.5));
  incoming.Add("ZqMBesXYZ")->Add("ZqMBesXYZLength", COrvDouble(4.0));
  incoming.Add("ZqMBesXYZ")->Add("ZqMBesXYZLength", COrvDouble(6.0));
  device.Merge(incoming);

  EXPECT_EQ(Int(device, "Level", 0), 10);
  EXPECT_EQ(Int(device, "Level", 1), 20);
  ASSERT_NE(device.Find("ZqMBesXYZ", 2), nullptr);
  EXPECT_EQ(Double(*device.Find("ZqMBesXYZ", 0), "ZqMBesXYZLength"), 1.0);
  EXPECT_EQ(Double(*device.Find("ZqMBesXYZ", 0), "ZqMBesXYZWidth"), 0.5);
  EXPECT_EQ(Double(*device.Find("ZqMBesXYZ", 1), "ZqMBesXYZLength"), 4.0);
  EXPECT_EQ(device.Find("ZqMBesXYZ", 1)->GetCount(), 1);
  EXPECT_EQ(Double(*device.Find("ZqMBesXYZ", 2), "ZqMBesXYZLength"), 6.0);
}

TEST(AttributeMap, GetAndSetAttribValue) {
  CAttributeMap map;
  map.Add("Count", COrvInt(7));
  map.Add("Enabled", COrvBool(true));
  map.SetAttribValue("ZqRange", 250.0, false, 0);
  map.SetAttribValue("ZqRange", 500.0, false, 0);
  EXPECT_EQ(map.GetCount(), 3);

  unsigned flags = 99;
  int count = 0;
  double range = 0.0;
  bool enabled = false;
  EXPECT_TRUE(map.GetAttribValue("Count", count, flags));
  EXPECT_EQ(count, 7);
  EXPECT_EQ(flags, 0u);
  EXPECT_TRUE(map.GetAttribValue("ZqRange", range, flags));
  EXPECT_EQ(range, 500.0);
  EXPECT_TRUE(map.GetAttribValue("Enabled", enabled, flags));
  EXPECT_TRUE(enabled);
  EXPECT_FALSE(map.GetAttribValue("Count", range, flags));    // an int is not a double
  EXPECT_FALSE(map.GetAttribValue("Enabled", count, flags));  // a bool is not an int
  EXPECT_FALSE(map.GetAttribValue("Missing", count, flags));
}

}  // namespace
