// Attribute maps in their JSON form: stored device attributes, the host's configuration and its API.
#include "tavrin/AttributeMapJson.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using ::testing::StartsWith;

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

TEST(AttributeMapJson, ReadsEveryTypedValue) {
  CAttributeMap map;
  const AttributeMapParseResult result = ReadAttributeMapJson(
      R"([{"I": {"int": 3}}, {"L": {"int64": -9000000000}}, {"B": {"bool": true}}, {"D": {"double": 1.5}},
          {"P": {"double2d": [10.0, -5]}}, {"T": {"text": "abc"}}, {"Is": {"ints": [7000, 7503]}},
          {"Ds": {"doubles": [2.5, 5]}}, {"Di": {"datainfo": {"id": [1, 78, 2, 3], "a": 4, "b": 5}}},
          {"Dn": {"datainfo": {"id": [1, 40, 1, 1]}}}, {"M": {"map": [{"ZqRange": {"double": 250}}]}}])",
      map);
  ASSERT_TRUE(result.ok) << result.error;

  CAttributeMap expected;
  expected.Add("I", COrvInt(3));
  expected.Add("L", COrvInt64(-9000000000LL));
  expected.Add("B", COrvBool(true));
  expected.Add("D", COrvDouble(1.5));
  expected.Add("P", COrvDouble2D(10.0, -5.0));
  expected.Add("T", COrvString("abc"));
  expected.Add("Is", COrvIntList({7000, 7503}));
  expected.Add("Ds", COrvDoubleList({2.5, 5.0}));
  expected.Add("Di", COrvDataInfo(CDataId(1, 78, 2, 3), 4, 5));
  expected.Add("Dn", COrvDataInfo(CDataId(1, 40, 1, 1), 0xFFFF, 0xFFFF));  // a and b default to 65535
  expected.Add("M")->Add("ZqRange", COrvDouble(250.0));
  EXPECT_TRUE(map == expected) << WriteAttributeMapJson(map, 2);
}

TEST(AttributeMapJson, WritesTheArrayFormAndReadsItBackEqual) {
  CAttributeMap map;
  map.Add("Gain", COrvInt(3));
  map.Add("Request")->Add("ZqRange", COrvDouble(250.0));
  map.Add("Ids", COrvIntList({7000, 7503}));
  map.Add("Sonar", COrvDataInfo(CDataId(1, 78, 1, 1), 65535, 65535));
  map.Add("Name", COrvString("abc"));
  EXPECT_EQ(WriteAttributeMapJson(map),
            R"([{"Gain":{"int":3}},{"Request":{"map":[{"ZqRange":{"double":250.0}}]}},)"
            R"({"Ids":{"ints":[7000,7503]}},)"
            R"({"Sonar":{"datainfo":{"id":[1,78,1,1],"a":65535,"b":65535}}},{"Name":{"text":"abc"}}])");

  map.Add("Min", COrvInt(-2147483647 - 1));
  map.Add("Big", COrvInt64(std::int64_t{1} << 40));
  map.Add("Off", COrvBool(false));
  map.Add("Tenth", COrvDouble(-0.1));
  map.Add("Pair", COrvDouble2D(10.0, -5.0));
  map.Add("Quoted", COrvString("survey \"0001\"\n.dat"));
  map.Add("Doubles", COrvDoubleList({2.5, 5.0, 1e-9}));
  map.Find("Request")->Add("Inner")->Add("Deep", COrvInt(1));
  map.Add("Empty");
  for (const int indent : {-1, 2}) {
    CAttributeMap read;
    const AttributeMapParseResult result = ReadAttributeMapJson(WriteAttributeMapJson(map, indent), read);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(read == map) << WriteAttributeMapJson(map, indent);
  }
}

TEST(AttributeMapJson, ObjectFormKeepsItsOrder) {
  CAttributeMap map;
  const AttributeMapParseResult result = ReadAttributeMapJson(
      R"({"Zeta": {"int": 1}, "Alpha": {"bool": true}, "Mid": {"map": {"Y": {"int": 2}, "B": {"int": 3}}}})",
      map);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(
      WriteAttributeMapJson(map),
      R"([{"Zeta":{"int":1}},{"Alpha":{"bool":true}},{"Mid":{"map":[{"Y":{"int":2}},{"B":{"int":3}}]}}])");
}

TEST(AttributeMapJson, RepeatedKeysInArrayFormAreOccurrences) {
  CAttributeMap map;
  ASSERT_TRUE(ReadAttributeMapJson(R"([{"ZqMBesXYZ": {"map": [{"L": {"double": 1}}]}}, {"X": {"int": 5}},
                                       {"ZqMBesXYZ": {"map": [{"L": {"double": 2}}]}}])",
                                   map)
                  .ok);
  ASSERT_NE(map.Find("ZqMBesXYZ", 1), nullptr);
  double length = 0.0;
  EXPECT_TRUE(map.Find("ZqMBesXYZ", 1)->FindValue("L").GetValue(length));
  EXPECT_EQ(length, 2.0);
}

TEST(AttributeMapJson, ErrorsNameThePathOfTheBadEntry) {
  EXPECT_EQ(Refusal(R"([{"A": {"int": 1}}, {"B": {"int": 2}},
                        {"Request": {"map": [{"ZqRange": {"float": 250.0}}]}}])"),
            R"($[2].Request[0].ZqRange: unknown value type "float")");
  EXPECT_THAT(Refusal(R"({"Zeta": {"int": 1}, "Alpha": {"text": 5}})"), StartsWith("$.Alpha: "));
  EXPECT_THAT(Refusal(R"([{"A": {"int": 1}, "B": {"int": 2}}])"), StartsWith("$[0]: "));
  EXPECT_THAT(Refusal(R"([{"A": {"int": 1}}, {"B": {"int": 1, "double": 2.0}}])"), StartsWith("$[1].B: "));
  EXPECT_THAT(Refusal(R"([{"A": 3}])"), StartsWith("$[0].A: "));
  EXPECT_THAT(Refusal(R"([{"M": {"map": 3}}])"), StartsWith("$[0].M: "));
  EXPECT_THAT(Refusal("42"), StartsWith("$: "));
  EXPECT_THAT(Refusal(R"("text")"), StartsWith("$: "));
  // The bracket on the second line is its ninth character.
  EXPECT_THAT(Refusal("[{\"A\": {\"int\": 1}},\n  {\"B\": ]"),
              StartsWith("malformed JSON: parse error at line 2, column 9: "));
}

TEST(AttributeMapJson, RefusesNumbersOutsideTheirType) {
  CAttributeMap limits;  // the 32-bit limits themselves are taken
  ASSERT_TRUE(
      ReadAttributeMapJson(R"([{"X": {"int": 2147483647}}, {"Y": {"int": -2147483648}}])", limits).ok);
  for (const char* bad :
       {R"([{"X": {"int": 2147483648}}])", R"([{"X": {"int": -2147483649}}])", R"([{"X": {"int": 1.5}}])",
        R"([{"X": {"ints": [1, 2.5]}}])", R"([{"X": {"int64": 9223372036854775808}}])",
        R"([{"X": {"bool": 1}}])", R"([{"X": {"double": "1.5"}}])",
        R"([{"X": {"double2d": [1.0, 2.0, 3.0]}}])", R"([{"X": {"double2d": [1.0]}}])",
        R"([{"X": {"datainfo": {"id": [1, 78, 1]}}}])", R"([{"X": {"datainfo": {"id": [1, 65536, 1, 1]}}}])",
        R"([{"X": {"datainfo": {"id": [1, -1, 1, 1]}}}])"}) {
    EXPECT_THAT(Refusal(bad), StartsWith("$[0].X: "));
  }
}

TEST(AttributeMapJson, RefusesAbsurdlyDeepNesting) {
  std::string nested;
  for (int i = 0; i < 1000; ++i) nested += R"([{"a": {"map": )";
  nested += "[]";
  for (int i = 0; i < 1000; ++i) nested += "}}]";
  EXPECT_THAT(Refusal(nested), StartsWith("$[0].a[0].a"));
}

// A map the host holds (a NaN from a sonar record, say) must be written in a form that reads back:
// doubles that are not finite travel as strings, and an entry without a value is left out.
TEST(AttributeMapJson, EveryWrittenMapReadsBack) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  CAttributeMap map;
  map.Add("Empty", COrvType());
  map.Add("ZqRange", COrvDouble(std::numeric_limits<double>::quiet_NaN()));
  map.Add("ZqPower", COrvDouble(kInfinity));
  map.Add("ZqBeamSteer", COrvDouble2D(-kInfinity, 1.0));
  map.Add("ZqGains", COrvDoubleList({2.5, kInfinity}));
  const std::string text = WriteAttributeMapJson(map);
  EXPECT_EQ(text,
            R"([{"ZqRange":{"double":"NaN"}},{"ZqPower":{"double":"Infinity"}},)"
            R"({"ZqBeamSteer":{"double2d":["-Infinity",1.0]}},{"ZqGains":{"doubles":[2.5,"Infinity"]}}])");

  CAttributeMap read;
  const AttributeMapParseResult result = ReadAttributeMapJson(text, read);
  ASSERT_TRUE(result.ok) << text << "\n" << result.error;
  double range = 0.0;
  ASSERT_TRUE(read.FindValue("ZqRange").GetValue(range));
  EXPECT_TRUE(std::isnan(range));
  map.Remove("Empty");
  map.Remove("ZqRange");
  read.Remove("ZqRange");
  EXPECT_TRUE(read == map);
}

TEST(AttributeMapJson, KeyTwiceInOneObjectIsRefused) {
  CAttributeMap map;
  const auto repeated =
      ReadAttributeMapJson(R"({"ZqRange": {"double": 1.0}, "ZqRange": {"double": 2.0}})", map);
  EXPECT_FALSE(repeated.ok);
  EXPECT_NE(repeated.error.find(R"(the key "ZqRange" appears twice)"), std::string::npos) << repeated.error;
  EXPECT_FALSE(ReadAttributeMapJson(R"([{"ZqRange": {"double": 1.0, "double": 2.0}}])", map).ok);
  // The same key in two entries of the array form, or in two different objects, is fine.
  EXPECT_TRUE(ReadAttributeMapJson(
                  R"([{"X": {"int": 1}}, {"X": {"int": 2}}, {"M": {"map": {"X": {"int": 3}}}}])", map)
                  .ok);
  EXPECT_EQ(map.GetCount(), 3);
}

}  // namespace
