// What a sonar's settings data say of its ping's range and sound velocity.
#include "platform/zq/ZqSettingsReadings.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <vector>

#include "platform/tavrin/CDataBlock.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// One element: item, second key, type ('f' f32, 'd' f64, 'u' u16), value, status.
struct Element {
  unsigned short item, key;
  char type;
  double value;
  unsigned short status = 0;
};
CDataBlock Block(const std::vector<Element>& elements) {
  CDataBlock block;
  for (const Element& e : elements) {
    if (e.type == 'f') block.AddF32(e.item, e.key, static_cast<float>(e.value), e.status);
    if (e.type == 'd') block.AddF64(e.item, e.key, e.value, e.status);
    if (e.type == 'u') block.AddU16(e.item, e.key, static_cast<std::uint16_t>(e.value), e.status);
  }
  return block;
}

// The float range (699) above zero, finite and valid; else the whole metres (609) above zero and valid.
TEST(ZqSettingsReadings, RangeIsTheFloatItemElseTheWholeMetresItem) {
  const std::pair<std::vector<Element>, std::optional<float>> cases[] = {
      {{{699, 2, 'f', 250.5}, {609, 2, 'u', 120}}, 250.5F},
      {{{699, 2, 'f', 0}, {609, 2, 'u', 120}}, 120.0F},
      {{{699, 2, 'f', -5}, {609, 2, 'u', 60}}, 60.0F},
      {{{699, 2, 'f', 300, 1}, {609, 2, 'u', 80}}, 80.0F},
      {{{699, 2, 'd', 300}, {609, 2, 'u', 90}}, 90.0F},
      {{{699, 2, 'f', kInf}, {609, 2, 'u', 65535}}, 65535.0F},
      {{{699, 2, 'f', kNaN}, {609, 2, 'u', 70}}, 70.0F},
      {{{699, 1, 'f', 300}, {609, 2, 'u', 0}, {401, 2, 'd', 1500}}, std::nullopt},
      {{{609, 2, 'u', 100, 4}}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const auto& [elements, expected] : cases) {
    float range = -1.0F;
    EXPECT_EQ(zqsettings::RangeOf(Block(elements), range) ? std::optional(range) : std::nullopt, expected)
        << elements.size() << " elements, first " << (elements.empty() ? 0 : elements[0].value);
  }
}

TEST(ZqSettingsReadings, SoundVelocityIs1500WhenMissingInvalidZeroOrNotFinite) {
  EXPECT_EQ(zqsettings::SoundVelocityOf(Block({{401, 2, 'd', 1480}})), 1480.0);
  for (const auto& unusable : std::vector<std::vector<Element>>{{{401, 2, 'd', 0}},
                                                                {{401, 2, 'd', kNaN}},
                                                                {{401, 2, 'd', kInf}},
                                                                {{401, 2, 'd', -kInf}},
                                                                {{401, 2, 'd', 1480, 2}},
                                                                {{401, 2, 'f', 1480}},
                                                                {{401, 1, 'd', 1480}},
                                                                {}}) {
    EXPECT_EQ(zqsettings::SoundVelocityOf(Block(unusable)), 1500.0);
  }
}

}  // namespace
