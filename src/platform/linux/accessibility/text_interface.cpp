#include "platform/linux/accessibility/bridge.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "ui/text_offsets.h"

namespace hv::linux_backend {

using namespace atspi;
using ui::TextRun;
using ui::TextSide;
using ui::TextUnit;

namespace {

// AT-SPI's boundary types, in the order it numbers them.
TextUnit unit_of_boundary(std::uint32_t boundary) {
  constexpr TextUnit kUnits[] = {TextUnit::Character, TextUnit::WordStart, TextUnit::WordEnd,
                                 TextUnit::SentenceStart, TextUnit::SentenceEnd, TextUnit::Line, TextUnit::Line};
  if (boundary >= std::size(kUnits)) throw AtspiBridge::Refusal{"no such boundary: " + std::to_string(boundary)};
  return kUnits[boundary];
}

// AT-SPI's granularities, in the order it numbers them.
ui::TextGranularity granularity_of(std::uint32_t granularity) {
  if (granularity > static_cast<std::uint32_t>(ui::TextGranularity::Paragraph)) {
    throw AtspiBridge::Refusal{"no such granularity: " + std::to_string(granularity)};
  }
  return static_cast<ui::TextGranularity>(granularity);
}

PixelRect united(const PixelRect& a, const PixelRect& b) {
  if (a.width <= 0 || a.height <= 0) return b;
  if (b.width <= 0 || b.height <= 0) return a;
  const long left = std::min(a.left, b.left), top = std::min(a.top, b.top);
  return {left, top, std::max(a.right(), b.right()) - left, std::max(a.bottom(), b.bottom()) - top};
}

}  // namespace

bool AtspiBridge::answer_text(const Node& node, std::string_view member, sd_bus_message* call,
                              sd_bus_message* reply) {
  const std::string words = text(node);
  if (member == "GetText") {
    std::int32_t start = 0, end = -1;
    sd_.sd_bus_message_read(call, "ii", &start, &end);
    sd_.sd_bus_message_append(reply, "s", ui::utf8_characters(words, start, end).c_str());
  } else if (member == "GetTextAtOffset" || member == "GetTextBeforeOffset" || member == "GetTextAfterOffset") {
    std::int32_t offset = 0;
    std::uint32_t boundary = 0;
    sd_.sd_bus_message_read(call, "iu", &offset, &boundary);
    const TextSide side = member == "GetTextAtOffset" ? TextSide::At
                          : member == "GetTextBeforeOffset" ? TextSide::Before : TextSide::After;
    const TextRun run = ui::text_run(words, offset, unit_of_boundary(boundary), side);
    sd_.sd_bus_message_append(reply, "sii", run.text.c_str(), run.start, run.end);
  } else if (member == "GetStringAtOffset") {
    std::int32_t offset = 0;
    std::uint32_t granularity = 0;
    sd_.sd_bus_message_read(call, "iu", &offset, &granularity);
    const TextRun run = ui::text_piece(words, offset, granularity_of(granularity));
    sd_.sd_bus_message_append(reply, "sii", run.text.c_str(), run.start, run.end);
  } else if (member == "GetCharacterExtents") {
    std::int32_t offset = 0;
    std::uint32_t coordinates = kScreen;
    sd_.sd_bus_message_read(call, "iu", &offset, &coordinates);
    append_extents(reply, character_extents(node, offset), coordinates, node, "iiii");
  } else if (member == "GetRangeExtents") {
    std::int32_t start = 0, end = 0;
    std::uint32_t coordinates = kScreen;
    sd_.sd_bus_message_read(call, "iiu", &start, &end, &coordinates);
    // The box round every character of the range that is drawn.
    PixelRect range{};
    const std::int32_t last = std::min(std::max(start, end), ui::character_count(words));
    for (std::int32_t offset = std::max(std::min(start, end), 0); offset < last; ++offset) {
      range = united(range, character_extents(node, offset));
    }
    append_extents(reply, range, coordinates, node, "iiii");
  } else if (member == "GetOffsetAtPoint") {
    std::int32_t x = 0, y = 0;
    std::uint32_t coordinates = kScreen;
    sd_.sd_bus_message_read(call, "iiu", &x, &y, &coordinates);
    const PixelPoint origin = origin_of(coordinates, node);
    const PixelPoint point{x + origin.x, y + origin.y};
    std::int32_t found = -1;
    for (std::int32_t offset = 0, count = ui::character_count(words); offset < count && found < 0; ++offset) {
      const PixelRect box = character_extents(node, offset);
      if (point.x >= box.left && point.x < box.right() && point.y >= box.top && point.y < box.bottom()) found = offset;
    }
    sd_.sd_bus_message_append(reply, "i", found);
  } else if (member == "GetCharacterAtOffset") {
    std::int32_t offset = 0;
    sd_.sd_bus_message_read(call, "i", &offset);
    sd_.sd_bus_message_append(reply, "i", ui::code_point_at(words, offset));
  } else if (member == "GetNSelections") {
    sd_.sd_bus_message_append(reply, "i", 0);
  } else if (member == "GetSelection") {
    sd_.sd_bus_message_append(reply, "ii", 0, 0);
  } else if (member == "GetDefaultAttributes") {
    sd_.sd_bus_message_append(reply, "a{ss}", 0);
  } else if (member == "GetAttributes" || member == "GetAttributeRun") {
    sd_.sd_bus_message_append(reply, "a{ss}ii", 0, 0, ui::character_count(words));
  } else {
    return false;
  }
  return true;
}

// Where a character is drawn; nothing for the error box's words, which the toolkit lays out itself.
PixelRect AtspiBridge::character_extents(const Node& node, std::int32_t offset) const {
  if (node.kind != Node::Control) return {};
  return window_.character_on_screen(node.control->id, offset);
}

std::string AtspiBridge::text(const Node& node) const {
  if (node.kind == Node::AlertText) return error_box_.value_or("");
  return node.kind == Node::Control ? window_.text(node.control->id) : std::string();
}

}  // namespace hv::linux_backend
