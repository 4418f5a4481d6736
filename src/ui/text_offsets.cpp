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
  const std::string character = utf8_characters(utf8, offset, offset + 1);
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(character[i]); };
  const std::size_t length = character.size();
  if (length == 1) return byte(0);
  std::int32_t value = byte(0) & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (byte(i) & 0x3F);
  return value;
}

TextRun text_around(std::string_view utf8, std::int32_t offset, TextUnit unit) {
  const std::int32_t count = character_count(utf8);
  if (unit == TextUnit::Whole) return {std::string(utf8), 0, count};
  if (offset < 0 || offset >= count) return {"", 0, 0};
  return {utf8_characters(utf8, offset, offset + 1), offset, offset + 1};
}

}  // namespace hv::ui
