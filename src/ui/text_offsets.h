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

enum class TextUnit { Character, Whole };

struct TextRun {
  std::string text;
  std::int32_t start, end;
};

// The character at an offset, or the whole text: every text of the window is one short line, in
// which a line, sentence or paragraph is the whole of it.
TextRun text_around(std::string_view utf8, std::int32_t offset, TextUnit unit);

}  // namespace hv::ui
