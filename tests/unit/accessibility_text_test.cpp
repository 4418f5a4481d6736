#include <gtest/gtest.h>

#include <limits>

#include "ui/controls.h"
#include "ui/text_offsets.h"

namespace hv::ui {
namespace {

// Screen readers count in characters; a copy's name may be in any script, held as UTF-8.
TEST(AccessibleText, OffsetsCountCharactersNotBytes) {
  const std::string name = "\xE6\xB5\x8B\xE8\xAF\x95-1.exe";  // 测试-1.exe
  EXPECT_EQ(character_count(name), 8);
  EXPECT_EQ(utf8_characters(name, 1, 3), "\xE8\xAF\x95-");
  EXPECT_EQ(utf8_characters(name, 2, -1), "-1.exe");
  EXPECT_EQ(utf8_characters(name, -5, 99), name);
  EXPECT_EQ(utf8_characters(name, 6, 2), "");
  EXPECT_EQ(code_point_at(name, 0), 0x6D4B);
  EXPECT_EQ(code_point_at("\xF0\x9F\x91\x8D", 0), 0x1F44D);
  EXPECT_EQ(code_point_at(name, 3), '1');
  EXPECT_EQ(code_point_at(name, 8), 0);
  EXPECT_EQ(code_point_at(name, -1), 0);
  EXPECT_EQ(code_point_at(name, std::numeric_limits<std::int32_t>::max()), 0);

  const TextRun one = text_around(name, 1, TextUnit::Character);
  EXPECT_EQ(one.text, "\xE8\xAF\x95");
  EXPECT_EQ(one.start, 1);
  EXPECT_EQ(one.end, 2);
  const TextRun whole = text_around(name, 4, TextUnit::Whole);
  EXPECT_EQ(whole.text, name);
  EXPECT_EQ(whole.end, 8);
  EXPECT_EQ(text_around(name, 8, TextUnit::Character).text, "");
}

// The names both platforms give, from the design alone.
TEST(AccessibleText, EachControlIsNamedAsTheUserReadsIt) {
  EXPECT_EQ(accessible_name(control(ControlId::APP_NAME_TEXTBOX)), "MY PROCESS NAME IS:-");
  EXPECT_EQ(accessible_name(control(ControlId::THUMBS_UP_PIC_1)), "Thumbs up, left");
  EXPECT_EQ(accessible_name(control(ControlId::EXIT_BUTTON)), "EXIT");
  EXPECT_EQ(accessible_name(control(ControlId::FREEWARE_TEXTBOX)), "!!! FREEWARE !!!");
  int named = 0;
  for (const Control& c : controls()) {
    if (c.kind != ControlKind::Timer && !accessible_name(c).empty()) ++named;
  }
  EXPECT_EQ(named, 12);
}

}  // namespace
}  // namespace hv::ui
