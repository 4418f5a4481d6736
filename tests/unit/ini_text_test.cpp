#include <gtest/gtest.h>

#include <tuple>

#include "settings/ini_text.h"
#include "settings/section_name.h"

namespace hv {
namespace {

TEST(IniText, FindsValuesInTheirOwnSectionOnly) {
  const std::string text =
      "; written by hand\n[A]\nMAIN_Left=10\n\n[B]\nMAIN_Left = 20 \r\nother=x\n";
  EXPECT_EQ(ini_find_value(text, "A", "MAIN_Left"), "10");
  EXPECT_EQ(ini_find_value(text, "B", "MAIN_Left"), "20");
  EXPECT_EQ(ini_find_value(text, "B", "main_left"), "20");
  EXPECT_EQ(ini_find_value(text, "A", "other"), std::nullopt);
  EXPECT_EQ(ini_find_value(text, "C", "MAIN_Left"), std::nullopt);
  EXPECT_EQ(ini_find_value("", "A", "MAIN_Left"), std::nullopt);
}

// Each edit changes only its key's line, or adds the key after its section's last line, or the
// section at the end; added lines follow the file's line ends; a byte order mark stays in front.
TEST(IniText, EditsChangeOnlyTheirLineAndFollowTheFile) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::tuple<std::string, const char*, const char*, std::string> cases[] = {
      {"# c\r\n[A]\r\nMAIN_Left=10\r\nodd line\r\n[B]\nMAIN_Left=20\n", "A", "MAIN_Left",
       "# c\r\n[A]\r\nMAIN_Left=15\r\nodd line\r\n[B]\nMAIN_Left=20\n"},
      {"[A]\nk=1\n[B]\nk=2\n; tail\n", "B", "MAIN_Left", "[A]\nk=1\n[B]\nk=2\nMAIN_Left=15\n; tail\n"},
      {"", "A", "MAIN_Left", "[A]\nMAIN_Left=15\n"},
      {"[A]\nk=1\n\n\n[B]\n", "A", "MAIN_Left", "[A]\nk=1\nMAIN_Left=15\n\n\n[B]\n"},
      {"[A]\nk=1", "A", "MAIN_Left", "[A]\nk=1\nMAIN_Left=15\n"},
      {"[A]\nk=1", "B", "MAIN_Left", "[A]\nk=1\n\n[B]\nMAIN_Left=15\n"},
      {"[A]\r\nk=1\r\n", "B", "MAIN_Left", "[A]\r\nk=1\r\n\r\n[B]\r\nMAIN_Left=15\r\n"},
      {"; note\r\n[A]", "A", "MAIN_Left", "; note\r\n[A]\r\nMAIN_Left=15\r\n"},
      // A carriage return ending the file ends its line: another section's write must not change it.
      {"[a]\r\nk=1\r", "b", "MAIN_Left", "[a]\r\nk=1\r\n\r\n[b]\r\nMAIN_Left=15\r\n"},
      {"[a]\r\nk=1\r", "a", "MAIN_Left", "[a]\r\nk=1\r\nMAIN_Left=15\r\n"},
      {"[a]\r\nMAIN_Left=1\r", "a", "MAIN_Left", "[a]\r\nMAIN_Left=15\r"},
      {bom + "[A]\nMAIN_Left=10\n", "A", "MAIN_Left", bom + "[A]\nMAIN_Left=15\n"},
      {bom + "[A]\nk=1\n", "B", "MAIN_Left", bom + "[A]\nk=1\n\n[B]\nMAIN_Left=15\n"},
      {bom, "A", "MAIN_Left", bom + "[A]\nMAIN_Left=15\n"}};
  for (const auto& [text, section, key, edited] : cases) {
    EXPECT_EQ(ini_with_value(text, section, key, "15"), edited) << text;
    EXPECT_EQ(ini_find_value(edited, section, key), "15") << edited;
    EXPECT_EQ(ini_find_value(edited, "A", "k"), ini_find_value(text, "A", "k")) << edited;
  }
}

TEST(IniText, RefusesKeysAndValuesThatWouldBreakTheFile) {
  EXPECT_THROW(ini_with_value("", "A", "k", "1\n[B]"), std::invalid_argument);
  EXPECT_THROW(ini_with_value("", "A", "k", std::string_view("1\0", 2)), std::invalid_argument);
  EXPECT_THROW(ini_with_value("", "A", "k=v", "1"), std::invalid_argument);
  EXPECT_THROW(ini_with_value("", "A", "[k", "1"), std::invalid_argument);
  EXPECT_THROW(ini_with_value("", "A", "", "1"), std::invalid_argument);
}

// A stored value comes back as it was given, blanks at its ends and quotation marks included; the
// blanks a person types around a value, and the quotation marks around one, are not part of it.
TEST(IniText, ValuesKeepTheirBlanksAndHandTypedOnesAreTrimmed) {
  for (const std::string value : {" lead", "trail ", "  ", "\t2000\t", "\"", "\"\"", "\"quoted\"", "\"half", "half\"",
                                  "in \"side\"", "plain", ""}) {
    const std::string text = ini_with_value("[A]\nk=1\n", "A", "k", value);
    EXPECT_EQ(ini_find_value(text, "A", "k"), value) << "stored as " << text;
  }
  EXPECT_EQ(ini_with_value("", "A", "k", " 5"), "[A]\nk=\" 5\"\n");
  EXPECT_EQ(ini_with_value("", "A", "k", "5"), "[A]\nk=5\n") << "a plain value stays plain";
  EXPECT_EQ(ini_find_value("[A]\nk =  2000 \t\n", "A", "k"), "2000");
  EXPECT_EQ(ini_find_value("[A]\nk=\"2000\"\n", "A", "k"), "2000");
}

TEST(SectionNames, HostileNamesRoundTripWithoutTouchingOthers) {
  const std::vector<std::string> names{
      "a]b", "[x]", "k=v", "100%", "semi;colon", "#hash", "line\nbreak", "cr\rlf", " lead",
      "trail ", "  ", "tab\t", std::string("\xff\xc3(\xed\xa0\x80", 6), "%41", "A", "a",
      "[A]\nMAIN_Left=5", ""};
  std::string text = "[A]\nMAIN_Left=1\n";
  for (std::size_t i = 0; i < names.size(); ++i) {
    text = ini_with_value(text, names[i], "MAIN_Left", std::to_string(100 + i));
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(decode_section_name(encode_section_name(names[i])), names[i]);
    EXPECT_EQ(ini_find_value(text, names[i], "MAIN_Left"), std::to_string(100 + i))
        << "section \"" << names[i] << "\" in\n" << text;
  }
  EXPECT_EQ(ini_find_value(text, "A", "MAIN_Left"), std::to_string(100 + 14));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 3 * (std::ssize(names) - 1));
}

TEST(SectionNames, OrdinaryNamesAndHandWrittenPercentSignsStandAsTheyAre) {
  for (const char* name : {"HV-TEST-PROCESS-V1", "copy_2.old", "My Test Copy", "тест", "a.b.c"}) {
    EXPECT_EQ(encode_section_name(name), name);
  }
  EXPECT_EQ(decode_section_name("100%"), "100%");
  EXPECT_EQ(decode_section_name("%zz%4"), "%zz%4");
  EXPECT_EQ(decode_section_name("a%5Db"), "a]b");
  EXPECT_EQ(ini_find_value("[ spaced ]\nk=1\n", "spaced", "k"), "1");
}

}  // namespace
}  // namespace hv
