// JSON strings written straight into text: what must be escaped, and bytes that are no UTF-8.
#include "host/JsonText.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonText, EscapesWhatJsonNeedsAndReplacesWhatIsNoUtf8) {
  const struct {
    std::string_view text;
    std::string_view json;
  } cases[] = {
      {"", R"("")"},
      {R"(say "hi" \ bye)", R"("say \"hi\" \\ bye")"},
      {std::string_view("a\nb\x01\0", 5), R"("a\u000ab\u0001\u0000")"},
      {"0.5\xC2\xB0 55 \xC2\xB5s \xF0\x9F\x9A\xA2",
       "\"0.5\xC2\xB0 55 \xC2\xB5s \xF0\x9F\x9A\xA2\""},  // °, µ, a ship
      {"\xFF"
       "x",
       "\"\xEF\xBF\xBDx\""},                                         // never a lead byte
      {"\xC2", "\"\xEF\xBF\xBD\""},                                  // cut short
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                  // overlong
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate
  };
  for (const auto& c : cases) {
    std::string out = "[";
    AppendJsonString(out, c.text);
    EXPECT_EQ(out, "[" + std::string(c.json)) << c.json;
  }
}

}  // namespace
