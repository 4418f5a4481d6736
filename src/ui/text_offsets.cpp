#include "ui/text_offsets.h"

#include <algorithm>
#include <vector>

namespace hv::ui {
namespace {

bool continues(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Where each character starts, and the text's end after the last.
std::vector<std::size_t> character_starts(std::string_view utf8) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (!continues(static_cast<unsigned char>(utf8[i]))) starts.push_back(i);
  }
  starts.push_back(utf8.size());
  return starts;
}

// One character's code point from its bytes.
std::int32_t decode(std::string_view character) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(character[i]); };
  const std::size_t length = character.size();
  if (length == 1) return byte(0);
  // A name that is not UTF-8 may hold a run of continuation bytes: one replacement character.
  if (length > 4) return 0xFFFD;
  std::int32_t value = byte(0) & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (byte(i) & 0x3F);
  return value;
}

}  // namespace

std::int32_t character_count(std::string_view utf8) {
  return static_cast<std::int32_t>(character_starts(utf8).size() - 1);
}

std::string utf8_characters(std::string_view utf8, std::int32_t start, std::int32_t end) {
  const std::vector<std::size_t> starts = character_starts(utf8);
  const std::int32_t count = static_cast<std::int32_t>(starts.size() - 1);
  const std::int32_t from = std::clamp(start, 0, count);
  const std::int32_t to = end < 0 ? count : std::clamp(end, from, count);
  return std::string(utf8.substr(starts[from], starts[to] - starts[from]));
}

std::int32_t code_point_at(std::string_view utf8, std::int32_t offset) {
  if (offset < 0 || offset >= character_count(utf8)) return 0;  // and offset + 1 cannot overflow
  return decode(utf8_characters(utf8, offset, offset + 1));
}

namespace {

// Each character's code point, in one pass.
std::vector<std::int32_t> code_points(std::string_view utf8) {
  const std::vector<std::size_t> starts = character_starts(utf8);
  std::vector<std::int32_t> points;
  points.reserve(starts.size() - 1);
  for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
    points.push_back(decode(utf8.substr(starts[k], starts[k + 1] - starts[k])));
  }
  return points;
}

bool is_space(std::int32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xA0 || c == 0x3000; }

// Letters and digits of any script; ASCII punctuation and blanks part words.
bool in_word(std::int32_t c) {
  if (c >= 0x80) return !is_space(c);
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool ends_sentence(std::int32_t c) { return c == '.' || c == '!' || c == '?' || c == 0x3002; }

// Where the pieces of a unit begin and end, from 0 to the text's length, in order.
std::vector<std::int32_t> boundaries(const std::vector<std::int32_t>& text, TextUnit unit) {
  const auto count = static_cast<std::int32_t>(text.size());
  std::vector<std::int32_t> found{0};
  for (std::int32_t i = 1; i < count; ++i) {
    bool boundary = false;
    switch (unit) {
      case TextUnit::Character: boundary = true; break;
      case TextUnit::WordStart: boundary = in_word(text[i]) && !in_word(text[i - 1]); break;
      case TextUnit::WordEnd: boundary = !in_word(text[i]) && in_word(text[i - 1]); break;
      case TextUnit::SentenceStart: {
        // The first non-blank after a sentence's end and the blanks that follow it.
        if (is_space(text[i])) break;
        std::int32_t before = i - 1;
        while (before > 0 && is_space(text[before])) --before;
        boundary = before < i - 1 && ends_sentence(text[before]);
        break;
      }
      // Right after a sentence's end that a blank follows, as the start's rule has it: the dot in
      // "REACH-1.exe" ends no sentence.
      case TextUnit::SentenceEnd: boundary = ends_sentence(text[i - 1]) && is_space(text[i]); break;
      case TextUnit::Line: break;
    }
    if (boundary) found.push_back(i);
  }
  if (count > 0) found.push_back(count);
  return found;
}

}  // namespace

TextRun text_run(std::string_view utf8, std::int32_t offset, TextUnit unit, TextSide side) {
  const std::vector<std::int32_t> points = code_points(utf8);
  const auto count = static_cast<std::int32_t>(points.size());
  const std::vector<std::int32_t> edges = boundaries(points, unit);
  // The piece [edges[k], edges[k + 1]) that holds the offset; the end of the text belongs to the last.
  if (offset < 0 || offset > count || edges.size() < 2) return {"", 0, 0};
  std::size_t k = 0;
  while (k + 2 < edges.size() && edges[k + 1] <= offset) ++k;
  if (unit == TextUnit::Character && offset == count) return {"", 0, 0};
  if (side == TextSide::Before) {
    if (k == 0) return {"", 0, 0};
    --k;
  } else if (side == TextSide::After) {
    if (k + 2 >= edges.size()) return {"", 0, 0};
    ++k;
  }
  return {utf8_characters(utf8, edges[k], edges[k + 1]), edges[k], edges[k + 1]};
}

TextRun text_piece(std::string_view utf8, std::int32_t offset, TextGranularity granularity) {
  if (offset < 0 || offset > character_count(utf8)) return {"", 0, 0};
  switch (granularity) {
    case TextGranularity::Character: return text_run(utf8, offset, TextUnit::Character, TextSide::At);
    case TextGranularity::Word:
    case TextGranularity::Sentence: {
      const bool word = granularity == TextGranularity::Word;
      const TextRun from = text_run(utf8, offset, word ? TextUnit::WordStart : TextUnit::SentenceStart, TextSide::At);
      const TextRun to = text_run(utf8, from.start, word ? TextUnit::WordEnd : TextUnit::SentenceEnd, TextSide::At);
      const std::int32_t stop = std::max(to.end, from.start);
      return {utf8_characters(utf8, from.start, stop), from.start, stop};
    }
    case TextGranularity::Line:
    case TextGranularity::Paragraph: break;
  }
  return text_run(utf8, offset, TextUnit::Line, TextSide::At);
}

}  // namespace hv::ui
