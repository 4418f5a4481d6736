#include <gtest/gtest.h>

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

TEST(IniText, EditingChangesOnlyThatKeysLine) {
  const std::string text =
      "# comment\r\n[A]\r\nMAIN_Left=10\r\nunknown line\r\n[B]\nMAIN_Left=20\n; tail\n";
  EXPECT_EQ(ini_with_value(text, "A", "MAIN_Left", "15"),
            "# comment\r\n[A]\r\nMAIN_Left=15\r\nunknown line\r\n[B]\nMAIN_Left=20\n; tail\n");
  EXPECT_EQ(ini_with_value(text, "B", "MAIN_Top", "7"),
            "# comment\r\n[A]\r\nMAIN_Left=10\r\nunknown line\r\n[B]\nMAIN_Left=20\nMAIN_Top=7\n; tail\n");
}

TEST(IniText, AddsKeysAfterTheSectionsLastLineAndSectionsAtTheEnd) {
  EXPECT_EQ(ini_with_value("", "A", "k", "1"), "[A]\nk=1\n");
  EXPECT_EQ(ini_with_value("[A]\nk=1\n\n\n[B]\n", "A", "j", "2"), "[A]\nk=1\nj=2\n\n\n[B]\n");
  EXPECT_EQ(ini_with_value("[A]\nk=1", "A", "j", "2"), "[A]\nk=1\nj=2\n");
  EXPECT_EQ(ini_with_value("[A]\nk=1", "B", "j", "2"), "[A]\nk=1\n\n[B]\nj=2\n");
}

TEST(IniText, AByteOrderMarkIsReadPastAndKept) {
  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(ini_find_value(bom + "[A]\nMAIN_Left=10\n", "A", "MAIN_Left"), "10");
  EXPECT_EQ(ini_with_value(bom + "[A]\nMAIN_Left=10\n", "A", "MAIN_Left", "15"), bom + "[A]\nMAIN_Left=15\n");
  EXPECT_EQ(ini_with_value(bom + "[A]\nk=1\n", "A", "j", "2"), bom + "[A]\nk=1\nj=2\n");
  EXPECT_EQ(ini_with_value(bom + "[A]\nk=1\n", "B", "j", "2"), bom + "[A]\nk=1\n\n[B]\nj=2\n");
  EXPECT_EQ(ini_with_value(bom, "A", "k", "1"), bom + "[A]\nk=1\n");
}

// One copy's write must never change how another section reads.
TEST(IniText, ACarriageReturnEndingTheFileEndsTheLine) {
  const std::string text = "[a]\r\nMAIN_Left=1\r";
  EXPECT_EQ(ini_find_value(text, "a", "MAIN_Left"), "1");
  const std::string other = ini_with_value(text, "b", "MAIN_Left", "2");
  EXPECT_EQ(other, "[a]\r\nMAIN_Left=1\r\n\r\n[b]\r\nMAIN_Left=2\r\n");
  EXPECT_EQ(ini_find_value(other, "a", "MAIN_Left"), "1");
  EXPECT_EQ(ini_with_value(text, "a", "MAIN_Top", "3"), "[a]\r\nMAIN_Left=1\r\nMAIN_Top=3\r\n");
  EXPECT_EQ(ini_with_value(text, "a", "MAIN_Left", "4"), "[a]\r\nMAIN_Left=4\r");
}

TEST(IniText, AddedLinesFollowTheFilesLineEnds) {
  EXPECT_EQ(ini_with_value("[A]\r\nk=1\r\n", "B", "j", "2"), "[A]\r\nk=1\r\n\r\n[B]\r\nj=2\r\n");
  EXPECT_EQ(ini_with_value("[A]\r\nk=1", "A", "j", "2"), "[A]\r\nk=1\r\nj=2\r\n");
  EXPECT_EQ(ini_with_value("; note\r\n[A]", "A", "j", "2"), "; note\r\n[A]\r\nj=2\r\n");
}

TEST(IniText, KeepsBytesItDoesNotUnderstand) {
  const std::string odd = std::string("[A]\nk=1\n\xff\xfe garbage \0 with NUL\n[unterminated\n=\n", 42);
  const std::string edited = ini_with_value(odd, "A", "k", "2");
  EXPECT_EQ(edited, std::string("[A]\nk=2\n\xff\xfe garbage \0 with NUL\n[unterminated\n=\n", 42));
}

TEST(IniText, RefusesKeysAndValuesThatWouldBreakTheFile) {
  EXPECT_THROW(ini_with_value("", "A", "k", "1\n[B]"), std::invalid_argument);
  EXPECT_THROW(ini_with_value("", "A", "k", std::string_view("1\0", 2)), std::invalid_argument);
  EXPECT_THROW(ini_with_value("", "A", "k=v", "1"), std::invalid_argument);
  EXPECT_THROW(ini_with_value("", "A", "[k", "1"), std::invalid_argument);
  EXPECT_THROW(ini_with_value("", "A", "", "1"), std::invalid_argument);
}

TEST(SectionNames, OrdinaryNamesStandAsTheyAre) {
  for (const char* name : {"HV-TEST-PROCESS-V1", "copy_2.old", "My Test Copy", "тест", "a.b.c"}) {
    EXPECT_EQ(encode_section_name(name), name);
    EXPECT_EQ(ini_with_value("", name, "k", "1"), "[" + std::string(name) + "]\nk=1\n");
  }
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

TEST(SectionNames, HandWrittenPercentSignsKeepTheirMeaning) {
  EXPECT_EQ(decode_section_name("100%"), "100%");
  EXPECT_EQ(decode_section_name("%zz%4"), "%zz%4");
  EXPECT_EQ(decode_section_name("a%5Db"), "a]b");
  EXPECT_EQ(ini_find_value("[ spaced ]\nk=1\n", "spaced", "k"), "1");
}

}  // namespace
}  // namespace hv
