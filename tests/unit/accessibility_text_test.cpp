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

  // A stray run of continuation bytes (a name that is not UTF-8) is one character, not a shift past 31.
  EXPECT_EQ(code_point_at("\xF0\x9F\x91\x8D\x8D\x8D\x8D\x8D\x8D", 0), 0xFFFD);
}

std::string run(std::string_view text, std::int32_t offset, TextUnit unit, TextSide side = TextSide::At) {
  const TextRun found = text_run(text, offset, unit, side);
  return found.text + "@" + std::to_string(found.start) + "-" + std::to_string(found.end);
}

// Orca reads a text by characters, words, sentences and lines, and asks for the piece before and
// after the one it is on to move through it.
TEST(AccessibleText, PiecesRunFromBoundaryToBoundary) {
  const std::string label = "MY PROCESS NAME IS:-";
  EXPECT_EQ(run(label, 1, TextUnit::Character), "Y@1-2");
  EXPECT_EQ(run(label, 20, TextUnit::Character), "@0-0");
  EXPECT_EQ(run(label, 0, TextUnit::Character, TextSide::Before), "@0-0");
  EXPECT_EQ(run(label, 19, TextUnit::Character, TextSide::After), "@0-0");

  EXPECT_EQ(run(label, 0, TextUnit::WordStart), "MY @0-3");
  EXPECT_EQ(run(label, 5, TextUnit::WordStart), "PROCESS @3-11");
  EXPECT_EQ(run(label, 18, TextUnit::WordStart), "IS:-@16-20");
  EXPECT_EQ(run(label, 20, TextUnit::WordStart), "IS:-@16-20");
  EXPECT_EQ(run(label, 5, TextUnit::WordStart, TextSide::Before), "MY @0-3");
  EXPECT_EQ(run(label, 5, TextUnit::WordStart, TextSide::After), "NAME @11-16");
  EXPECT_EQ(run(label, 0, TextUnit::WordStart, TextSide::Before), "@0-0");
  EXPECT_EQ(run(label, 17, TextUnit::WordStart, TextSide::After), "@0-0");
  EXPECT_EQ(run(label, 2, TextUnit::WordEnd), " PROCESS@2-10");
  EXPECT_EQ(run(label, 1, TextUnit::WordEnd), "MY@0-2");

  const std::string two = "Saved. Not stored!  Again";
  EXPECT_EQ(run(two, 3, TextUnit::SentenceStart), "Saved. @0-7");
  EXPECT_EQ(run(two, 8, TextUnit::SentenceStart), "Not stored!  @7-20");
  EXPECT_EQ(run(two, 8, TextUnit::SentenceStart, TextSide::After), "Again@20-25");
  EXPECT_EQ(run(two, 8, TextUnit::SentenceEnd), " Not stored!@6-18");

  const auto piece = [](std::string_view text, std::int32_t offset, TextGranularity granularity) {
    const TextRun found = text_piece(text, offset, granularity);
    return found.text + "@" + std::to_string(found.start) + "-" + std::to_string(found.end);
  };
  EXPECT_EQ(piece(label, 5, TextGranularity::Word), "PROCESS@3-10");
  EXPECT_EQ(piece(label, 10, TextGranularity::Word), "PROCESS@3-10");
  EXPECT_EQ(piece(label, 17, TextGranularity::Word), "IS@16-18");
  EXPECT_EQ(piece(two, 9, TextGranularity::Sentence), "Not stored!@7-18");
  EXPECT_EQ(piece(label, 3, TextGranularity::Paragraph), label + "@0-20");
  EXPECT_EQ(piece(label, 3, TextGranularity::Character), "P@3-4");
  // A dot inside a name ends no sentence; nothing is read outside the text.
  EXPECT_EQ(piece("REACH-1.exe", 9, TextGranularity::Sentence), "REACH-1.exe@0-11");
  EXPECT_EQ(run("REACH-1.exe", 9, TextUnit::SentenceEnd), "REACH-1.exe@0-11");
  EXPECT_EQ(piece(label, -1, TextGranularity::Word), "@0-0");
  EXPECT_EQ(piece(label, std::numeric_limits<std::int32_t>::max(), TextGranularity::Sentence), "@0-0");

  EXPECT_EQ(run(label, 7, TextUnit::Line), label + "@0-20");
  EXPECT_EQ(run(label, 20, TextUnit::Line), label + "@0-20");
  EXPECT_EQ(run(label, 7, TextUnit::Line, TextSide::After), "@0-0");
  EXPECT_EQ(run("", 0, TextUnit::Line), "@0-0");

  // Any script's letters make words; offsets count characters.
  const std::string chinese = "\xE6\xB5\x8B\xE8\xAF\x95 1.exe";  // 测试 1.exe
  EXPECT_EQ(run(chinese, 1, TextUnit::WordStart), "\xE6\xB5\x8B\xE8\xAF\x95 @0-3");
  EXPECT_EQ(run(chinese, 4, TextUnit::WordStart), "1.@3-5");

  for (const std::int32_t odd : {std::numeric_limits<std::int32_t>::min(), -1, std::numeric_limits<std::int32_t>::max()}) {
    for (const TextUnit unit : {TextUnit::Character, TextUnit::WordStart, TextUnit::Line}) {
      EXPECT_EQ(run(label, odd, unit, TextSide::After), "@0-0");
    }
  }
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
