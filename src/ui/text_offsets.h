#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hv::ui {

// Accessibility clients count a text in characters (code points), where the window holds UTF-8.
// Offsets outside the text are clamped; a negative end means the end of the text.

std::int32_t character_count(std::string_view utf8);

// The characters from start up to end.
std::string utf8_characters(std::string_view utf8, std::int32_t start, std::int32_t end);

// The code point at an offset, 0 outside the text.
std::int32_t code_point_at(std::string_view utf8, std::int32_t offset);

// The pieces a screen reader reads a text by. A word runs from the start of one word to the start
// of the next (WordStart) or from the end of one to the end of the next (WordEnd), and a sentence
// likewise; every text of the window is one short line, so a line is the whole of it.
enum class TextUnit { Character, WordStart, WordEnd, SentenceStart, SentenceEnd, Line };

// The piece that holds an offset, or the one before or after it.
enum class TextSide { At, Before, After };

struct TextRun {
  std::string text;
  std::int32_t start, end;
};

// An empty run at 0 where there is no such piece.
TextRun text_run(std::string_view utf8, std::int32_t offset, TextUnit unit, TextSide side);

// The piece of a granularity at an offset: a word or a sentence alone, without the blanks after
// it; a line or a paragraph, which in these one-line texts is the whole.
enum class TextGranularity { Character, Word, Sentence, Line, Paragraph };
TextRun text_piece(std::string_view utf8, std::int32_t offset, TextGranularity granularity);

}  // namespace hv::ui
