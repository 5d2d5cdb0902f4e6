// Attribute maps and typed values: lookup, editing by occurrence, copies, merging a request, and their
// JSON form (stored device attributes, the host's configuration and its API).
#include "platform/tavrin/CAttributeMap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/tavrin/AttributeMapJson.h"

namespace {

using ::testing::StartsWith;

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

TEST(AttributeMap, AddReplacesInPlaceAppendAppendsRemoveMovesLaterOccurrencesDownCopiesAreDeep) {
  CAttributeMap map;
  map.Add("X", COrvInt(1));
  map.Add("B", COrvInt(2));
  map.Append("X", COrvInt(3));
  map.Add("Y")->Add("Inner", COrvInt(9));
  EXPECT_EQ(map.Find("B"), nullptr);  // a value is no child map
  EXPECT_EQ(Readable(map.FindValue("Y")), "");
  CAttributeMap copy(map);
  copy.Find("Y")->Add("Inner", COrvInt(8));
  CAttributeMap assigned;
  assigned = map;
  assigned.Find("Y")->RemoveAll();
  EXPECT_EQ(map.Find("Y")->FindValue("Inner"), COrvInt(9));
  map.Add("X", COrvDouble(2.5), 1);  // an int becomes a double, in place
  map.Add("Y", COrvBool(true));      // a child map becomes a value
  map.Add("Z", COrvInt(4), 3);       // missing: appended
  map.Append("X", COrvInt(5));
  ASSERT_EQ(map.GetCount(), 6);
  const char* order[] = {"X", "B", "X", "Y", "Z", "X"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(map.Entries()[i].key, CString(order[i])) << i;
  EXPECT_EQ(Readable(map.FindValue("Y")), "bool ");
  EXPECT_EQ(Readable(map.FindValue("Missing")), "");
  EXPECT_TRUE(map.Remove("X", 0));
  EXPECT_EQ(map.FindValue("X", 0), COrvDouble(2.5));
  EXPECT_EQ(map.FindValue("X", 1), COrvInt(5));
  EXPECT_FALSE(map.Remove("X", 2));
}

CAttributeMap Map(const std::string& json) {
  CAttributeMap map;
  EXPECT_TRUE(ReadAttributeMapJson(json, map).ok) << json;
  return map;
}

// The pending key stays, incoming ones replace or are added, and child maps merge by occurrence.
TEST(AttributeMap, MergeJoinsRequestsKeepsPendingKeysAndMatchesOccurrences) {
  CAttributeMap device =
      Map(R"([{"Request": {"map": {"ZqRange": {"double": 250}, "ZqPower": {"double": 200}}}},
      {"ZqMBesXYZ": {"map": {"Length": {"double": 1}}}}, {"ZqMBesXYZ": {"map": {"Length": {"double": 2}}}}])");
  device.Merge(Map(R"([{"Request": {"map": {"ZqPower": {"double": 210}, "ZqGain": {"double": 12}}}},
      {"ZqMBesXYZ": {"map": {"Width": {"double": 0.5}}}}, {"ZqMBesXYZ": {"map": {"Length": {"double": 4}}}},
      {"ZqMBesXYZ": {"map": {"Length": {"double": 6}}}}])"));
  EXPECT_EQ(WriteAttributeMapJson(device),
            WriteAttributeMapJson(Map(R"([{"Request": {"map": [{"ZqRange": {"double": 250}},
      {"ZqPower": {"double": 210}}, {"ZqGain": {"double": 12}}]}},
      {"ZqMBesXYZ": {"map": [{"Length": {"double": 1}}, {"Width": {"double": 0.5}}]}},
      {"ZqMBesXYZ": {"map": {"Length": {"double": 4}}}}, {"ZqMBesXYZ": {"map": {"Length": {"double": 6}}}}])")));
}

// Reads text, expecting a refusal that leaves the target map as it was; returns the message.
std::string Refusal(const std::string& text) {
  CAttributeMap map;
  map.Add("Before", COrvInt(1));
  const CAttributeMap before = map;
  const AttributeMapParseResult result = ReadAttributeMapJson(text, map);
  EXPECT_FALSE(result.ok) << text;
  EXPECT_TRUE(map == before) << "a refused document changed the map: " << text;
  return result.error;
}

// Every kind of value read, written in the compact array form and read back. A datainfo's a and b default
// to 65535; the object form keeps its order; a key is unique within one object only.
TEST(AttributeMapJson, ReadsWritesAndReadsBackEveryTypedValue) {
  CAttributeMap map;
  const AttributeMapParseResult result = ReadAttributeMapJson(
      R"([{"I": {"int": -2147483648}}, {"L": {"int64": -9000000000}}, {"B": {"bool": true}},
          {"D": {"double": 1.5}}, {"P": {"double2d": [10.0, -5]}}, {"T": {"text": "a \"b\"\n"}},
          {"Is": {"ints": [7000, 7503]}}, {"Ds": {"doubles": [2.5, 5]}},
          {"Di": {"datainfo": {"id": [1, 78, 2, 3], "a": 4, "b": 5}}}, {"Dn": {"datainfo": {"id": [1, 40, 1, 1]}}},
          {"M": {"map": {"ZqRange": {"double": 250}, "I": {"int": 2}, "Empty": {"map": []}}}}, {"I": {"int": 7}}])",
      map);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(
      WriteAttributeMapJson(map),
      R"([{"I":{"int":-2147483648}},{"L":{"int64":-9000000000}},{"B":{"bool":true}},{"D":{"double":1.5}},)"
      R"({"P":{"double2d":[10.0,-5.0]}},{"T":{"text":"a \"b\"\n"}},{"Is":{"ints":[7000,7503]}},)"
      R"({"Ds":{"doubles":[2.5,5.0]}},{"Di":{"datainfo":{"id":[1,78,2,3],"a":4,"b":5}}},)"
      R"({"Dn":{"datainfo":{"id":[1,40,1,1],"a":65535,"b":65535}}},)"
      R"({"M":{"map":[{"ZqRange":{"double":250.0}},{"I":{"int":2}},{"Empty":{"map":[]}}]}},{"I":{"int":7}}])");
  CAttributeMap read;
  ASSERT_TRUE(ReadAttributeMapJson(WriteAttributeMapJson(map, 2), read).ok);
  EXPECT_TRUE(read == map);
}

TEST(AttributeMapJson, RefusalsNameThePathOfTheBadEntry) {
  EXPECT_EQ(Refusal(R"([{"A": {"int": 1}}, {"B": {"int": 2}},
                        {"Request": {"map": [{"ZqRange": {"float": 250.0}}]}}])"),
            R"($[2].Request[0].ZqRange: unknown value type "float")");
  for (const auto& [text, path] : std::vector<std::pair<std::string, std::string>>{
           {R"({"Zeta": {"int": 1}, "Alpha": {"text": 5}})", "$.Alpha: "},
           {R"([{"A": {"int": 1}}, {"B": {"int": 1, "double": 2.0}}])", "$[1].B: "},
           // The bracket on the second line is its ninth character.
           {"[{\"A\": {\"int\": 1}},\n  {\"B\": ]", "malformed JSON: parse error at line 2, column 9: "}}) {
    EXPECT_THAT(Refusal(text), StartsWith(path));
  }
  EXPECT_EQ(Refusal(R"({"ZqRange": {"double": 1.0}, "ZqRange": {"double": 2.0}})"),
            R"($: repeated key "ZqRange")");
  EXPECT_EQ(Refusal(R"([{"A": {"int": 1}}, {"R": {"map": {"B": {"int": 1}, "B": {"int": 2}}}}])"),
            R"($[1].R.map: repeated key "B")");
  std::string wide = "{";  // past the members searched one by one
  for (int i = 0; i < 20; ++i) wide += "\"K" + std::to_string(i) + "\": {\"int\": 1}, ";
  EXPECT_EQ(Refusal(wide + R"("K3": {"int": 2}})"), R"($: repeated key "K3")");
  // Numbers outside their type.
  for (const char* bad :
       {R"([{"X": {"int": 2147483648}}])", R"([{"X": {"int": -2147483649}}])", R"([{"X": {"int": 1.5}}])",
        R"([{"X": {"ints": [1, 2.5]}}])", R"([{"X": {"int64": 9223372036854775808}}])",
        R"([{"X": {"bool": 1}}])", R"([{"X": {"double": "1.5"}}])",
        R"([{"X": {"double2d": [1.0, 2.0, 3.0]}}])", R"([{"X": {"datainfo": {"id": [1, 78, 1]}}}])",
        R"([{"X": {"datainfo": {"id": [1, 65536, 1, 1]}}}])"}) {
    EXPECT_THAT(Refusal(bad), StartsWith("$[0].X: "));
  }
  // Absurdly deep nesting.
  std::string nested;
  for (int i = 0; i < 1000; ++i) nested += R"([{"a": {"map": )";
  nested += "[]";
  for (int i = 0; i < 1000; ++i) nested += "}}]";
  EXPECT_THAT(Refusal(nested), StartsWith("$[0].a[0].a"));
}

// A NaN from a sonar record must still be written in a form that reads back: doubles that are not
// finite travel as strings, and an entry without a value is left out.
TEST(AttributeMapJson, NonFiniteDoublesRoundTrip) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  CAttributeMap map;
  map.Add("Empty", COrvType());
  map.Add("ZqRange", COrvDouble(std::numeric_limits<double>::quiet_NaN()));
  map.Add("ZqBeamSteer", COrvDouble2D(-kInfinity, 1.0));
  map.Add("ZqGains", COrvDoubleList({2.5, kInfinity}));
  const std::string text = WriteAttributeMapJson(map);
  EXPECT_EQ(text, R"([{"ZqRange":{"double":"NaN"}},{"ZqBeamSteer":{"double2d":["-Infinity",1.0]}},)"
                  R"({"ZqGains":{"doubles":[2.5,"Infinity"]}}])");
  CAttributeMap read;
  ASSERT_TRUE(ReadAttributeMapJson(text, read).ok) << text;
  EXPECT_EQ(WriteAttributeMapJson(read), text);
}

}  // namespace

namespace {

// One value on its own, as the host's history and profiles carry them.
TEST(AttributeMapJson, SingleTypedValuesReadBackAndRefuseChildMaps) {
  for (const char* text : {R"({"double":120.5})", R"({"int":-3})", R"({"text":"abc"})", R"({"bool":false})",
                           R"({"double2d":[1.0,-2.0]})", "null"}) {
    COrvType value = COrvInt(99);
    const AttributeMapParseResult result = ReadTypedValueJson(text, value);
    ASSERT_TRUE(result.ok) << text << ": " << result.error;
    EXPECT_EQ(WriteTypedValueJson(value), text);
  }
  COrvType kept = COrvInt(99);
  EXPECT_EQ(ReadTypedValueJson(R"({"map": []})", kept).error, "$: a single value cannot be a child map");
  EXPECT_EQ(ReadTypedValueJson(R"({"float": 1.0})", kept).error, R"($: unknown value type "float")");
  EXPECT_EQ(ReadTypedValueJson("{", kept).error.substr(0, 15), "malformed JSON:");
  EXPECT_TRUE(kept == COrvInt(99));
}

}  // namespace
