#include "platform/linux/accessibility/bridge.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <cstring>

namespace hv::linux_backend {

using namespace atspi;

bool AtspiBridge::answer_component(const Node& node, std::string_view member, sd_bus_message* call,
                                   sd_bus_message* reply) {
  const PixelRect rect = extents(node);
  if (member == "GetExtents") {
    std::uint32_t coordinates = kScreen;
    sd_.sd_bus_message_read(call, "u", &coordinates);
    append_extents(reply, rect, coordinates, node);
  } else if (member == "GetPosition" || member == "GetSize") {
    std::uint32_t coordinates = kScreen;
    if (member == "GetPosition") sd_.sd_bus_message_read(call, "u", &coordinates);
    // Position and size are the extents' halves.
    PixelRect shown = rect;
    const PixelPoint origin = origin_of(coordinates, node);
    shown.left -= origin.x;
    shown.top -= origin.y;
    if (member == "GetPosition") sd_.sd_bus_message_append(reply, "ii", static_cast<std::int32_t>(shown.left),
                                                           static_cast<std::int32_t>(shown.top));
    else sd_.sd_bus_message_append(reply, "ii", static_cast<std::int32_t>(rect.width),
                                   static_cast<std::int32_t>(rect.height));
  } else if (member == "Contains" || member == "GetAccessibleAtPoint") {
    std::int32_t x = 0, y = 0;
    std::uint32_t coordinates = kScreen;
    sd_.sd_bus_message_read(call, "iiu", &x, &y, &coordinates);
    const PixelPoint origin = origin_of(coordinates, node);
    const PixelPoint point{x + origin.x, y + origin.y};
    const auto inside = [&](const PixelRect& r) {
      return point.x >= r.left && point.x < r.right() && point.y >= r.top && point.y < r.bottom();
    };
    if (member == "Contains") {
      sd_.sd_bus_message_append(reply, "b", inside(rect));
    } else {
      std::string found = kNullPath;
      for (const Node& child : node.children(error_box_open())) {
        if (inside(extents(child))) found = child.path();
      }
      append_reference(reply, found);
    }
  } else if (member == "GetLayer") {
    sd_.sd_bus_message_append(reply, "u", node.kind == Node::Frame ? kLayerWindow : kLayerWidget);
  } else if (member == "GetMDIZOrder") {
    sd_.sd_bus_message_append(reply, "n", std::int16_t{0});
  } else if (member == "GetAlpha") {
    sd_.sd_bus_message_append(reply, "d", 1.0);
  } else if (member == "GrabFocus") {
    const bool taken = node.kind == Node::Control && !error_box_open() && window_.take_focus(node.control->id);
    sd_.sd_bus_message_append(reply, "b", taken);
  } else {
    return false;
  }
  return true;
}

PixelRect AtspiBridge::extents(const Node& node) const {
  if (node.kind == Node::Root) return {};
  if (node.kind == Node::Frame) return window_.frame_on_screen();
  if (node.kind != Node::Control) return error_box_extents(node);
  return window_.on_screen(node.control->id);
}

// The toolkit's message box, open while error_box_ is set: the modal window.
PixelRect AtspiBridge::error_box_extents(const Node& node) const {
  const Fl_Window* box = Fl::modal();
  if (!box) return {};
  const PixelRect whole{box->x(), box->y(), box->w(), box->h()};
  if (node.kind != Node::AlertButton) return whole;
  for (int i = 0; i < box->children(); ++i) {
    const Fl_Widget* child = box->child(i);
    if (child->visible() && child->label() && std::strcmp(child->label(), kAlertButtonName) == 0) {
      return {box->x() + child->x(), box->y() + child->y(), child->w(), child->h()};
    }
  }
  return whole;
}

// Where a kind of coordinates counts from: the screen's corner; the window's, which is the frame's,
// or the error box's for its words and button; the parent's, which is the frame for a control and
// the box for its parts, while the frame and the box have the application, which has no place, and
// count from the screen. Any other kind is refused.
PixelPoint AtspiBridge::origin_of(std::uint32_t coordinates, const Node& node) const {
  const PixelRect window = node.in_error_box() ? error_box_extents(Node{Node::Alert}) : window_.frame_on_screen();
  const bool top_level = node.kind == Node::Root || node.kind == Node::Frame || node.kind == Node::Alert;
  if (coordinates == kScreen || (coordinates == kParent && top_level)) return {};
  if (coordinates == kWindow || coordinates == kParent) return {window.left, window.top};
  throw Refusal{"no such kind of coordinates: " + std::to_string(coordinates)};
}

// Component gives extents as one structure, Text as four numbers.
void AtspiBridge::append_extents(sd_bus_message* message, const PixelRect& rect, std::uint32_t coordinates,
                                 const Node& node, const char* signature) {
  const PixelPoint found = origin_of(coordinates, node);
  // Nothing there is nowhere, in any coordinates.
  const PixelPoint origin = rect.width > 0 || rect.height > 0 ? found : PixelPoint{rect.left, rect.top};
  sd_.sd_bus_message_append(message, signature, static_cast<std::int32_t>(rect.left - origin.x),
                            static_cast<std::int32_t>(rect.top - origin.y), static_cast<std::int32_t>(rect.width),
                            static_cast<std::int32_t>(rect.height));
}

}  // namespace hv::linux_backend
