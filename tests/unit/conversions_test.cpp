#include <gtest/gtest.h>

#include <clocale>
#include <limits>

#include "settings/conversions.h"

namespace hv {
namespace {

TEST(TextToSingle, ReadsWholeAndFractionalNumbersWithEitherSeparator) {
  EXPECT_EQ(text_to_single("1000"), 1000.0f);
  EXPECT_EQ(text_to_single("-20000"), -20000.0f);
  EXPECT_EQ(text_to_single("+15"), 15.0f);
  EXPECT_EQ(text_to_single("2235.5"), 2235.5f);
  EXPECT_EQ(text_to_single("2235,5"), 2235.5f);
  EXPECT_EQ(text_to_single(" 42\t"), 42.0f);
  EXPECT_EQ(text_to_single(".5"), 0.5f);
  EXPECT_EQ(text_to_single("5."), 5.0f);
  EXPECT_EQ(text_to_single("1E3"), 1000.0f);
}

TEST(TextToSingle, NeverTreatsASeparatorAsGrouping) {
  EXPECT_EQ(text_to_single("1,000"), 1.0f);
  EXPECT_EQ(text_to_single("1.000"), 1.0f);
  EXPECT_EQ(text_to_single("1,000,000"), std::nullopt);
  EXPECT_EQ(text_to_single("1 000"), std::nullopt);
}

TEST(TextToSingle, RejectsWhatIsNotAFiniteNumber) {
  for (const char* bad : {"", " ", "abc", "12abc", "nan", "inf", "-inf", "0x10", "1e", "1e+",
                          "--1", "+", ".", ",", "1e39", "-1e39", "1e99999"}) {
    EXPECT_EQ(text_to_single(bad), std::nullopt) << '"' << bad << '"';
  }
  EXPECT_EQ(text_to_single(std::string(65, '1')), std::nullopt);
  EXPECT_EQ(text_to_single(std::string_view("12\0 3", 5)), std::nullopt);
}

TEST(TextToSingle, IgnoresTheProcessLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  // A locale that writes a decimal comma. tools/install-deps.sh makes it on Linux, so its absence is
  // a fault of the machine to report, not a reason to skip.
#ifdef _WIN32
  const char* const comma_locale = "German_Germany.1252";
#else
  const char* const comma_locale = "de_DE.UTF-8";
#endif
  ASSERT_NE(std::setlocale(LC_NUMERIC, comma_locale), nullptr) << "no " << comma_locale << " locale";
  ASSERT_EQ(*std::localeconv()->decimal_point, ',');
  EXPECT_EQ(text_to_single("2235.5"), 2235.5f);
  EXPECT_EQ(single_to_text(2235.5f, '.'), "2235.5");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TextToInt16, RoundsHalvesToEvenAndChecksTheRange) {
  EXPECT_EQ(text_to_int16("1"), 1);
  EXPECT_EQ(text_to_int16("0"), 0);
  EXPECT_EQ(text_to_int16("1.4"), 1);
  EXPECT_EQ(text_to_int16("1,6"), 2);
  EXPECT_EQ(text_to_int16("0.5"), 0);
  EXPECT_EQ(text_to_int16("1.5"), 2);
  EXPECT_EQ(text_to_int16("2.5"), 2);
  EXPECT_EQ(text_to_int16("-32768"), -32768);
  EXPECT_EQ(text_to_int16("32767"), 32767);
  EXPECT_EQ(text_to_int16("32768"), std::nullopt);
  EXPECT_EQ(text_to_int16("-32769"), std::nullopt);
  EXPECT_EQ(text_to_int16("yes"), std::nullopt);
}

TEST(SingleToText, WritesWholeNumbersPlainAndAtMostSevenDigits) {
  EXPECT_EQ(single_to_text(1000.0f, '.'), "1000");
  EXPECT_EQ(single_to_text(-20000.0f, '.'), "-20000");
  EXPECT_EQ(single_to_text(0.0f, '.'), "0");
  EXPECT_EQ(single_to_text(-0.0f, '.'), "0");
  EXPECT_EQ(single_to_text(2235.5f, '.'), "2235.5");
  EXPECT_EQ(single_to_text(2235.5f, ','), "2235,5");
  EXPECT_EQ(single_to_text(1.0f / 3.0f, '.'), "0.3333333");
  EXPECT_EQ(single_to_text(12345.678f, '.'), "12345.68");
  EXPECT_EQ(single_to_text(123456789.0f, '.'), "123456800");
  EXPECT_EQ(single_to_text(0.00001f, '.'), "0.00001");
  EXPECT_EQ(single_to_text(491520.0f, '.'), "491520");
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
