#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <tuple>

#include "settings/conversions.h"

namespace hv {
namespace {

// Either separator is a decimal point, never grouping; anything but a finite number is refused.
TEST(TextToSingle, ReadsAFiniteNumberOrNothing) {
  const std::pair<std::string_view, std::optional<float>> cases[] = {
      {"1000", 1000.0f}, {"-20000", -20000.0f}, {"+15", 15.0f}, {"2235.5", 2235.5f},
      {"2235,5", 2235.5f}, {" 42\t", 42.0f}, {".5", 0.5f}, {"5.", 5.0f}, {"1E3", 1000.0f},
      {"1,000", 1.0f}, {"1.000", 1.0f}, {"1,000,000", std::nullopt}, {"1 000", std::nullopt},
      {"", std::nullopt}, {" ", std::nullopt}, {"abc", std::nullopt}, {"12abc", std::nullopt},
      {"nan", std::nullopt}, {"inf", std::nullopt}, {"-inf", std::nullopt}, {"0x10", std::nullopt},
      {"1e", std::nullopt}, {"1e+", std::nullopt}, {"--1", std::nullopt}, {"+", std::nullopt},
      {".", std::nullopt}, {",", std::nullopt}, {"1e39", std::nullopt}, {"-1e39", std::nullopt},
      {"1e99999", std::nullopt}, {std::string_view("12\0 3", 5), std::nullopt}};
  for (const auto& [text, value] : cases) EXPECT_EQ(text_to_single(text), value) << '"' << text << '"';
  EXPECT_EQ(text_to_single(std::string(65, '1')), std::nullopt);
}

TEST(TextToInt16, RoundsHalvesToEvenAndChecksTheRange) {
  const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
      {"1", 1}, {"0", 0}, {"1.4", 1}, {"1,6", 2}, {"0.5", 0}, {"1.5", 2}, {"2.5", 2},
      {"-32768", -32768}, {"32767", 32767}, {"32768", std::nullopt}, {"-32769", std::nullopt},
      {"yes", std::nullopt}};
  for (const auto& [text, value] : cases) EXPECT_EQ(text_to_int16(text), value) << text;
}

// Whole numbers plain, at most seven significant digits, never an exponent.
TEST(SingleToText, WritesTheShortestPlainDecimalText) {
  const std::tuple<float, char, const char*> cases[] = {
      {1000.0f, '.', "1000"}, {-20000.0f, '.', "-20000"}, {0.0f, '.', "0"}, {-0.0f, '.', "0"},
      {2235.5f, '.', "2235.5"}, {2235.5f, ',', "2235,5"}, {1.0f / 3.0f, '.', "0.3333333"},
      {12345.678f, '.', "12345.68"}, {123456789.0f, '.', "123456800"}, {0.00001f, '.', "0.00001"},
      {491520.0f, '.', "491520"}};
  for (const auto& [value, separator, text] : cases) EXPECT_EQ(single_to_text(value, separator), text);
}

TEST(SingleToText, RoundTripsEveryPixelPositionOnAnyScreen) {
  for (int px = -32768; px <= 32767; px += 7) {
    for (float twips_per_px : {15.0f, 12.0f, 1440.0f / 144.0f}) {
      const float twips = static_cast<float>(px) * twips_per_px;
      const std::string text = single_to_text(twips, ',');
      ASSERT_EQ(text.find_first_of("eE"), std::string::npos) << text;
      ASSERT_EQ(text_to_single(text), twips) << text;
    }
  }
}

TEST(SingleToText, RefusesWhatCannotBeStored) {
  EXPECT_THROW(single_to_text(std::numeric_limits<float>::quiet_NaN(), '.'), std::invalid_argument);
  EXPECT_THROW(single_to_text(std::numeric_limits<float>::infinity(), '.'), std::invalid_argument);
}

}  // namespace
}  // namespace hv
