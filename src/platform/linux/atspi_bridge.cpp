#include "platform/linux/atspi_bridge.h"
#include "platform/linux/atspi_signatures.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <array>
#include <clocale>
#include <cstring>
#include <utility>
#include <vector>

#include "app/identity.h"
#include "ui/text_offsets.h"

namespace hv::linux_backend {
namespace {

using ui::AccessibleRole;
using ui::ControlId;
using ui::TextRun;
using ui::TextUnit;

constexpr char kObjects[] = "/org/a11y/atspi/accessible";
constexpr char kRootPath[] = "/org/a11y/atspi/accessible/root";
constexpr char kFramePath[] = "/org/a11y/atspi/accessible/frame";
constexpr char kAlertPath[] = "/org/a11y/atspi/accessible/error_box";
constexpr char kAlertTextPath[] = "/org/a11y/atspi/accessible/error_box_text";
constexpr char kAlertButtonPath[] = "/org/a11y/atspi/accessible/error_box_button";
// The toolkit's message box's one button, as it labels it.
constexpr char kAlertButtonName[] = "Close";
constexpr char kNullPath[] = "/org/a11y/atspi/null";

constexpr char kAccessible[] = "org.a11y.atspi.Accessible";
constexpr char kApplication[] = "org.a11y.atspi.Application";
constexpr char kComponent[] = "org.a11y.atspi.Component";
constexpr char kAction[] = "org.a11y.atspi.Action";
constexpr char kText[] = "org.a11y.atspi.Text";
constexpr char kImage[] = "org.a11y.atspi.Image";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr char kObjectEvents[] = "org.a11y.atspi.Event.Object";
constexpr char kWindowEvents[] = "org.a11y.atspi.Event.Window";

// AT-SPI's numbers, which every client shares.
enum Role : std::uint32_t {
  kRoleAlert = 2, kRoleCheckBox = 7, kRoleFrame = 23, kRoleImage = 27, kRoleLabel = 29, kRolePushButton = 43,
  kRoleText = 61, kRoleApplication = 75,
};
enum State : unsigned {
  kActive = 1, kChecked = 4, kModal = 16, kEnabled = 8, kFocusable = 11, kFocused = 12, kSensitive = 24, kShowing = 25,
  kSingleLine = 26, kVisible = 30, kIndeterminate = 32, kSelectableText = 38, kCheckable = 41, kReadOnly = 43,
};
enum Relation : std::uint32_t { kLabelFor = 1, kLabelledBy = 2 };
enum Coordinates : std::uint32_t { kScreen = 0, kWindow = 1, kParent = 2 };
constexpr std::uint32_t kLayerWidget = 3, kLayerWindow = 7;

constexpr std::uint64_t bit(unsigned state) { return std::uint64_t{1} << state; }

struct RoleNames {
  std::uint32_t role;
  const char* name;
};

RoleNames role_of(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::Label: return {kRoleLabel, "label"};
    case AccessibleRole::Text: return {kRoleText, "text"};
    case AccessibleRole::Image: return {kRoleImage, "image"};
    case AccessibleRole::CheckBox: return {kRoleCheckBox, "check box"};
    case AccessibleRole::PushButton: return {kRolePushButton, "push button"};
  }
  return {kRoleLabel, "label"};
}

// The controls a client sees, in the order they are made (the order Tab visits them first).
const std::vector<const ui::Control*>& accessible_controls() {
  static const std::vector<const ui::Control*> controls = ui::creation_order();
  return controls;
}

bool has_text(const ui::Control& control) {
  return control.accessible.role == AccessibleRole::Label || control.accessible.role == AccessibleRole::Text;
}

std::string action_description(const ui::Control& control) {
  switch (control.accessible.role) {
    case AccessibleRole::CheckBox: return "Ticks or unticks the box, as a click does";
    case AccessibleRole::PushButton: return "Presses the button";
    default: return "Does what a double click does";
  }
}

}  // namespace

struct AtspiBridge::Node {
  enum Kind { Root, Frame, Control, Alert, AlertText, AlertButton } kind;
  const ui::Control* control = nullptr;

  static std::optional<Node> at(std::string_view path) {
    if (path == kRootPath) return Node{Root};
    if (path == kFramePath) return Node{Frame};
    if (path == kAlertPath) return Node{Alert};
    if (path == kAlertTextPath) return Node{AlertText};
    if (path == kAlertButtonPath) return Node{AlertButton};
    const std::string_view prefix = "/org/a11y/atspi/accessible/";
    if (path.substr(0, prefix.size()) != prefix) return std::nullopt;
    for (const ui::Control* control : accessible_controls()) {
      if (path.substr(prefix.size()) == control->name) return Node{Control, control};
    }
    return std::nullopt;
  }
  static Node of(ControlId id) { return Node{Control, &ui::control(id)}; }

  std::string path() const {
    if (kind == Root) return kRootPath;
    if (kind == Frame) return kFramePath;
    if (kind == Alert) return kAlertPath;
    if (kind == AlertText) return kAlertTextPath;
    if (kind == AlertButton) return kAlertButtonPath;
    return std::string(kObjects) + "/" + std::string(control->name);
  }
  // The error box stands beside the frame while it is open.
  std::vector<Node> children(bool error_box) const {
    if (kind == Root) return error_box ? std::vector<Node>{Node{Frame}, Node{Alert}} : std::vector<Node>{Node{Frame}};
    if (kind == Alert) return {Node{AlertText}, Node{AlertButton}};
    std::vector<Node> found;
    if (kind == Frame) {
      for (const ui::Control* c : accessible_controls()) found.push_back(Node{Control, c});
    }
    return found;
  }
  int index_in_parent() const {
    if (kind == Root) return -1;
    if (kind == Frame || kind == AlertText) return 0;
    if (kind == Alert || kind == AlertButton) return 1;
    const auto& all = accessible_controls();
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i] == control) return static_cast<int>(i);
    }
    return -1;
  }
  std::vector<const char*> interfaces() const {
    if (kind == Root) return {kAccessible, kApplication};
    if (kind == AlertText) return {kAccessible, kComponent, kText};
    if (kind == AlertButton) return {kAccessible, kComponent, kAction};
    std::vector<const char*> found{kAccessible, kComponent};
    if (kind == Control && control->accessible.acts) found.push_back(kAction);
    if (kind == Control && has_text(*control)) found.push_back(kText);
    if (kind == Control && control->accessible.role == AccessibleRole::Image) found.push_back(kImage);
    return found;
  }
  bool implements(std::string_view interface) const {
    for (const char* i : interfaces()) {
      if (interface == i) return true;
    }
    return false;
  }
};

AtspiBridge::AtspiBridge(const SdBusLibrary& sd, sd_bus* bus, AccessibleWindow& window, std::string application_name,
                         std::function<void()> on_lost)
    : sd_(sd), bus_(bus), window_(window), application_name_(std::move(application_name)),
      last_tick_(window.tick_value()) {
  sd_.sd_bus_add_fallback(bus_, &objects_, kObjects, on_call, this);
  sd_.sd_bus_add_object(bus_, &cache_, "/org/a11y/atspi/cache", on_cache_call, this);
  watch_ = std::make_unique<BusWatch>(sd_, bus_, std::move(on_lost));
  // The registry is told of the application under the connection's own name, which the bus gives
  // with its first answer.
  BusMessage ping(sd_, nullptr);
  if (sd_.sd_bus_message_new_method_call(bus_, ping.out(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                         "org.freedesktop.DBus.Peer", "Ping") >= 0) {
    sd_.sd_bus_call_async(bus_, &pending_, ping.get(), on_ping, this, 0);
  }
  last_focus_ = window_.focus();
  for (const ui::Control* control : accessible_controls()) last_texts_.push_back(window_.text(control->id));
  // Looked at each time the event loop has handled what came in, and only while on the bus.
  Fl::add_check(on_check, this);
  watch_error_box(this);
  watch_->pump();
}

AtspiBridge::~AtspiBridge() {
  Fl::remove_check(on_check, this);
  watch_error_box(nullptr);
  watch_.reset();
  if (pending_) sd_.sd_bus_slot_unref(pending_);
  if (objects_) sd_.sd_bus_slot_unref(objects_);
  if (cache_) sd_.sd_bus_slot_unref(cache_);
  sd_.sd_bus_close_unref(bus_);
}

int AtspiBridge::on_ping(sd_bus_message* reply, void* bridge, sd_bus_error*) {
  auto* self = static_cast<AtspiBridge*>(bridge);
  self->sd_.sd_bus_slot_unref(self->pending_);
  self->pending_ = nullptr;
  const char* destination = nullptr;
  if (self->sd_.sd_bus_message_is_method_error(reply, nullptr)) return 0;
  // An answer is addressed to the connection's unique name.
  destination = self->sd_.sd_bus_message_get_destination(reply);
  if (!destination) return 0;
  self->unique_name_ = destination;
  BusMessage embed(self->sd_, nullptr);
  if (self->sd_.sd_bus_message_new_method_call(self->bus_, embed.out(), "org.a11y.atspi.Registry", kRootPath,
                                               "org.a11y.atspi.Socket", "Embed") < 0) {
    return 0;
  }
  self->append_reference(embed.get(), kRootPath);
  self->sd_.sd_bus_call_async(self->bus_, &self->pending_, embed.get(), on_embedded, self, 0);
  return 0;
}

int AtspiBridge::on_embedded(sd_bus_message* reply, void* bridge, sd_bus_error*) {
  auto* self = static_cast<AtspiBridge*>(bridge);
  self->sd_.sd_bus_slot_unref(self->pending_);
  self->pending_ = nullptr;
  if (self->sd_.sd_bus_message_is_method_error(reply, nullptr)) return 0;
  const char* owner = nullptr;
  const char* path = nullptr;
  if (self->sd_.sd_bus_message_read(reply, "(so)", &owner, &path) > 0) {
    self->desktop_owner_ = owner;
    self->desktop_path_ = path;
  }
  return 0;
}

// A call with arguments that say nothing this bridge can act on: InvalidArgs, and nothing done.
int AtspiBridge::refuse(sd_bus_message* call, const std::string& why) {
  BusMessage refusal(sd_, nullptr);
  if (sd_.sd_bus_message_new_method_errorf(call, refusal.out(), SD_BUS_ERROR_INVALID_ARGS, "%s", why.c_str()) >= 0) {
    sd_.sd_bus_send(nullptr, refusal.get(), nullptr);
  }
  return 1;
}

int AtspiBridge::on_call(sd_bus_message* call, void* bridge, sd_bus_error*) {
  return static_cast<AtspiBridge*>(bridge)->answer(call);
}

// The registry asks a new application for the objects it would have it keep; this one keeps none,
// since its dozen objects are answered for directly.
int AtspiBridge::on_cache_call(sd_bus_message* call, void* bridge, sd_bus_error*) {
  const SdBusLibrary& sd = static_cast<AtspiBridge*>(bridge)->sd_;
  const char* member = sd.sd_bus_message_get_member(call);
  if (!member || std::strcmp(member, "GetItems") != 0) return 0;
  BusMessage reply(sd, nullptr);
  if (sd.sd_bus_message_new_method_return(call, reply.out()) < 0) return 0;
  sd.sd_bus_message_append(reply.get(), "a((so)(so)(so)iiassusau)", 0);
  sd.sd_bus_send(nullptr, reply.get(), nullptr);
  return 1;
}

// 1 where the call was answered; 0 leaves it to sd-bus, which tells the caller no such method.
int AtspiBridge::answer(sd_bus_message* call) {
  std::uint8_t type = 0;
  if (sd_.sd_bus_message_get_type(call, &type) < 0 || type != SD_BUS_MESSAGE_METHOD_CALL) return 0;
  const char* path = sd_.sd_bus_message_get_path(call);
  const char* interface = sd_.sd_bus_message_get_interface(call);
  const char* member = sd_.sd_bus_message_get_member(call);
  if (!path || !interface || !member) return 0;
  const std::optional<Node> node = Node::at(path);
  // The error box's objects exist only while the box is open.
  const bool in_box = node && (node->kind == Node::Alert || node->kind == Node::AlertText || node->kind == Node::AlertButton);
  if (!node || (in_box && !error_box_)) return 0;
  const std::string_view in = interface;
  if (in != kProperties && !node->implements(in)) return 0;
  const std::optional<std::string_view> takes = atspi_signature(in, member);
  if (!takes) return 0;
  const char* given = sd_.sd_bus_message_get_signature(call, 1);
  if (!given || *takes != given) {
    return refuse(call, std::string(interface) + "." + member + " takes (" + std::string(*takes) + "), not (" +
                            (given ? given : "") + ")");
  }

  BusMessage reply(sd_, nullptr);
  if (sd_.sd_bus_message_new_method_return(call, reply.out()) < 0) return 0;
  bool answered = false;
  try {
    if (in == kProperties) answered = answer_properties(*node, member, call, reply.get());
    else if (in == kAccessible) answered = answer_accessible(*node, member, call, reply.get());
    else if (in == kComponent) answered = answer_component(*node, member, call, reply.get());
    else if (in == kAction) answered = answer_action(*node, member, call, reply.get());
    else if (in == kText) answered = answer_text(*node, member, call, reply.get());
    else if (in == kImage) answered = answer_image(*node, member, call, reply.get());
  } catch (const Refusal& refusal) {
    return refuse(call, refusal.why);
  }
  if (!answered) return 0;
  // A client that stopped reading fills the queue; its answers are then dropped, not waited for.
  sd_.sd_bus_send(nullptr, reply.get(), nullptr);
  return 1;
}

void AtspiBridge::append_reference(sd_bus_message* message, const std::string& path) {
  sd_.sd_bus_message_append(message, "(so)", unique_name_.c_str(), path.c_str());
}

void AtspiBridge::append_reference(sd_bus_message* message, const Node& node) {
  append_reference(message, node.path());
}

std::string AtspiBridge::name(const Node& node) const {
  if (node.kind == Node::Root) return application_name_;
  if (node.kind == Node::Frame) return window_.title();
  if (node.kind == Node::Alert) return std::string(::hv::kApplication);  // the box's title
  if (node.kind == Node::AlertText) return error_box_.value_or("");
  if (node.kind == Node::AlertButton) return kAlertButtonName;
  // A label's name is its words as they stand: the credit line shows other words once clicked.
  if (node.control->accessible.role == AccessibleRole::Label) return window_.text(node.control->id);
  return std::string(ui::accessible_name(*node.control));
}

std::string AtspiBridge::text(const Node& node) const {
  if (node.kind == Node::AlertText) return error_box_.value_or("");
  return node.kind == Node::Control ? window_.text(node.control->id) : std::string();
}

std::uint64_t AtspiBridge::states(const Node& node) const {
  if (node.kind == Node::Root) return 0;
  std::uint64_t set = bit(kEnabled) | bit(kSensitive) | bit(kVisible);
  if (window_.mapped()) set |= bit(kShowing);
  if (node.kind == Node::Frame) return window_.active() && !error_box_ ? set | bit(kActive) : set;
  if (node.kind == Node::Alert) return set | bit(kActive) | bit(kModal);
  if (node.kind == Node::AlertText) return set | bit(kReadOnly);
  if (node.kind == Node::AlertButton) return set | bit(kFocusable) | bit(kFocused);
  const ui::Control& control = *node.control;
  if (ui::takes_focus(control.kind)) {
    set |= bit(kFocusable);
    if (window_.focus() == control.id) set |= bit(kFocused);
  }
  switch (control.accessible.role) {
    case AccessibleRole::CheckBox: {
      set |= bit(kCheckable);
      const std::int16_t tick = window_.tick_value();
      if (tick == 1) set |= bit(kChecked);
      if (tick == 2) set |= bit(kIndeterminate);
      break;
    }
    case AccessibleRole::Text:
      set |= bit(kReadOnly) | bit(kSingleLine) | bit(kSelectableText);
      break;
    case AccessibleRole::Label:
      set |= bit(kReadOnly);
      break;
    default:
      break;
  }
  return set;
}

PixelRect AtspiBridge::extents(const Node& node) const {
  if (node.kind == Node::Root) return {};
  if (node.kind == Node::Frame) return window_.frame_on_screen();
  if (node.kind != Node::Control) return error_box_extents(node);
  return window_.on_screen(node.control->id);
}

// Where a kind of coordinates counts from: the screen's corner; the window's, which is the frame's,
// or the error box's for its words and button; the parent's, which is the frame for a control and
// the box for its parts, while the frame and the box have the application, which has no place, and
// count from the screen. Any other kind is refused.
PixelPoint AtspiBridge::origin_of(std::uint32_t coordinates, const Node& node) const {
  const bool in_box = node.kind == Node::Alert || node.kind == Node::AlertText || node.kind == Node::AlertButton;
  const PixelRect window = in_box ? error_box_extents(Node{Node::Alert}) : window_.frame_on_screen();
  const bool top_level = node.kind == Node::Root || node.kind == Node::Frame || node.kind == Node::Alert;
  if (coordinates == kScreen || (coordinates == kParent && top_level)) return {};
  if (coordinates == kWindow || coordinates == kParent) return {window.left, window.top};
  throw Refusal{"no such kind of coordinates: " + std::to_string(coordinates)};
}

void AtspiBridge::append_extents(sd_bus_message* message, const PixelRect& rect, std::uint32_t coordinates,
                                 const Node& node) {
  const PixelPoint origin = origin_of(coordinates, node);
  sd_.sd_bus_message_append(message, "(iiii)", static_cast<std::int32_t>(rect.left - origin.x),
                            static_cast<std::int32_t>(rect.top - origin.y), static_cast<std::int32_t>(rect.width),
                            static_cast<std::int32_t>(rect.height));
}

bool AtspiBridge::answer_accessible(const Node& node, std::string_view member, sd_bus_message* call,
                                    sd_bus_message* reply) {
  if (member == "GetChildAtIndex") {
    std::int32_t index = -1;
    sd_.sd_bus_message_read(call, "i", &index);
    const std::vector<Node> children = node.children(error_box_.has_value());
    if (index >= 0 && static_cast<std::size_t>(index) < children.size()) append_reference(reply, children[index]);
    else append_reference(reply, kNullPath);
  } else if (member == "GetChildren") {
    sd_.sd_bus_message_open_container(reply, 'a', "(so)");
    for (const Node& child : node.children(error_box_.has_value())) append_reference(reply, child);
    sd_.sd_bus_message_close_container(reply);
  } else if (member == "GetIndexInParent") {
    sd_.sd_bus_message_append(reply, "i", node.index_in_parent());
  } else if (member == "GetRelationSet") {
    sd_.sd_bus_message_open_container(reply, 'a', "(ua(so))");
    if (node.kind == Node::Control) {
      for (const ui::Control* other : accessible_controls()) {
        std::uint32_t relation = 0;
        if (node.control->accessible.labelled_by == other->id) relation = kLabelledBy;
        if (other->accessible.labelled_by == node.control->id) relation = kLabelFor;
        if (!relation) continue;
        sd_.sd_bus_message_open_container(reply, 'r', "ua(so)");
        sd_.sd_bus_message_append(reply, "u", relation);
        sd_.sd_bus_message_open_container(reply, 'a', "(so)");
        append_reference(reply, Node::of(other->id));
        sd_.sd_bus_message_close_container(reply);
        sd_.sd_bus_message_close_container(reply);
      }
    }
    sd_.sd_bus_message_close_container(reply);
  } else if (member == "GetRole" || member == "GetRoleName" || member == "GetLocalizedRoleName") {
    RoleNames role{kRoleApplication, "application"};
    if (node.kind == Node::Frame) role = {kRoleFrame, "frame"};
    if (node.kind == Node::Control) role = role_of(node.control->accessible.role);
    if (node.kind == Node::Alert) role = {kRoleAlert, "alert"};
    if (node.kind == Node::AlertText) role = {kRoleLabel, "label"};
    if (node.kind == Node::AlertButton) role = {kRolePushButton, "push button"};
    if (member == "GetRole") sd_.sd_bus_message_append(reply, "u", role.role);
    else sd_.sd_bus_message_append(reply, "s", role.name);
  } else if (member == "GetState") {
    const std::uint64_t set = states(node);
    sd_.sd_bus_message_append(reply, "au", 2, static_cast<std::uint32_t>(set),
                              static_cast<std::uint32_t>(set >> 32));
  } else if (member == "GetAttributes") {
    sd_.sd_bus_message_append(reply, "a{ss}", 1, "toolkit", "FLTK");
  } else if (member == "GetApplication") {
    append_reference(reply, kRootPath);
  } else if (member == "GetInterfaces") {
    sd_.sd_bus_message_open_container(reply, 'a', "s");
    for (const char* interface : node.interfaces()) sd_.sd_bus_message_append(reply, "s", interface);
    sd_.sd_bus_message_close_container(reply);
  } else {
    return false;
  }
  return true;
}

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
      for (const Node& child : node.children(error_box_.has_value())) {
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
    const bool taken = node.kind == Node::Control && window_.take_focus(node.control->id);
    sd_.sd_bus_message_append(reply, "b", taken);
  } else {
    return false;
  }
  return true;
}

bool AtspiBridge::answer_action(const Node& node, std::string_view member, sd_bus_message* call,
                                sd_bus_message* reply) {
  if (node.kind == Node::AlertButton) return answer_error_box_action(member, call, reply);
  const ui::Control& control = *node.control;
  std::int32_t index = 0;
  if (member != "GetActions") sd_.sd_bus_message_read(call, "i", &index);
  const bool valid = index == 0;
  if (member == "GetName" || member == "GetLocalizedName") {
    sd_.sd_bus_message_append(reply, "s", valid ? "click" : "");
  } else if (member == "GetDescription") {
    sd_.sd_bus_message_append(reply, "s", valid ? action_description(control).c_str() : "");
  } else if (member == "GetKeyBinding") {
    sd_.sd_bus_message_append(reply, "s", "");
  } else if (member == "GetActions") {
    sd_.sd_bus_message_append(reply, "a(sss)", 1, "click", action_description(control).c_str(), "");
  } else if (member == "DoAction") {
    sd_.sd_bus_message_append(reply, "b", valid);
    if (valid) {
      // The click runs from the event loop once the answer is on its way: EXIT's click ends the copy.
      struct Click {
        AccessibleWindow* window;
        ControlId id;
      };
      Fl::add_timeout(
          0.0,
          [](void* click) {
            std::unique_ptr<Click> done(static_cast<Click*>(click));
            done->window->click(done->id);
          },
          new Click{&window_, control.id});
    }
  } else {
    return false;
  }
  return true;
}

bool AtspiBridge::answer_text(const Node& node, std::string_view member, sd_bus_message* call,
                              sd_bus_message* reply) {
  const std::string words = text(node);
  if (member == "GetText") {
    std::int32_t start = 0, end = -1;
    sd_.sd_bus_message_read(call, "ii", &start, &end);
    sd_.sd_bus_message_append(reply, "s", ui::utf8_characters(words, start, end).c_str());
  } else if (member == "GetTextAtOffset" || member == "GetStringAtOffset" || member == "GetTextBeforeOffset" ||
             member == "GetTextAfterOffset") {
    std::int32_t offset = 0;
    std::uint32_t boundary = 0;
    sd_.sd_bus_message_read(call, "iu", &offset, &boundary);
    // Boundary and granularity 0 are both one character.
    const TextRun run = ui::text_around(words, offset, boundary == 0 ? TextUnit::Character : TextUnit::Whole);
    const bool at = member == "GetTextAtOffset" || member == "GetStringAtOffset";
    sd_.sd_bus_message_append(reply, "sii", at ? run.text.c_str() : "", at ? run.start : 0, at ? run.end : 0);
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

// A picture's image is the whole of its control: GetImageExtents, GetImagePosition and GetImageSize
// answer as the control's GetExtents, GetPosition and GetSize.
bool AtspiBridge::answer_image(const Node& node, std::string_view member, sd_bus_message* call,
                               sd_bus_message* reply) {
  constexpr std::string_view kPrefix = "GetImage";
  if (member.substr(0, kPrefix.size()) != kPrefix) return false;
  const std::string component = "Get" + std::string(member.substr(kPrefix.size()));
  return answer_component(node, component, call, reply);
}

bool AtspiBridge::append_property(const Node& node, std::string_view interface, std::string_view property,
                                  sd_bus_message* reply) {
  const auto string = [&](const std::string& value) {
    sd_.sd_bus_message_append(reply, "v", "s", value.c_str());
  };
  const auto integer = [&](std::int32_t value) { sd_.sd_bus_message_append(reply, "v", "i", value); };
  if (interface == kAccessible) {
    if (property == "Name") string(name(node));
    else if (property == "Description") {
      string(node.kind == Node::Control ? std::string(node.control->accessible.description) : std::string());
    } else if (property == "Parent") {
      sd_.sd_bus_message_open_container(reply, 'v', "(so)");
      if (node.kind == Node::Root) {
        if (desktop_owner_.empty()) append_reference(reply, kNullPath);
        else sd_.sd_bus_message_append(reply, "(so)", desktop_owner_.c_str(), desktop_path_.c_str());
      } else {
        const bool in_root = node.kind == Node::Frame || node.kind == Node::Alert;
        const bool in_alert = node.kind == Node::AlertText || node.kind == Node::AlertButton;
        append_reference(reply, in_root ? kRootPath : in_alert ? kAlertPath : kFramePath);
      }
      sd_.sd_bus_message_close_container(reply);
    } else if (property == "ChildCount") integer(static_cast<std::int32_t>(node.children(error_box_.has_value()).size()));
    else if (property == "Locale") {
      const char* locale = std::setlocale(LC_MESSAGES, nullptr);
      string(locale ? locale : "C");
    } else if (property == "AccessibleId") {
      string(node.kind == Node::Control ? std::string(node.control->name) : std::string());
    } else return false;
  } else if (interface == kApplication) {
    if (property == "ToolkitName") string("FLTK");
    else if (property == "Version") {
      // FLTK gives its version as one number, 10308 for 1.3.8.
      const int version = Fl::api_version();
      string(std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." + std::to_string(version % 100));
    }
    else if (property == "AtspiVersion") string("2.1");
    else if (property == "Id") integer(application_id_);
    else return false;
  } else if (interface == kAction) {
    if (property == "NActions") integer(1);
    else return false;
  } else if (interface == kText) {
    if (property == "CharacterCount") integer(ui::character_count(text(node)));
    else if (property == "CaretOffset") integer(0);
    else return false;
  } else if (interface == kImage) {
    if (property == "ImageDescription") string(std::string(node.control->accessible.description));
    else if (property == "ImageLocale") string("");
    else return false;
  } else {
    return false;
  }
  return true;
}

void AtspiBridge::append_all_properties(const Node& node, std::string_view interface, sd_bus_message* reply) {
  static constexpr std::array<std::pair<const char*, std::array<const char*, 6>>, 5> kNames{{
      {kAccessible, {"Name", "Description", "Parent", "ChildCount", "Locale", "AccessibleId"}},
      {kApplication, {"ToolkitName", "Version", "AtspiVersion", "Id", nullptr, nullptr}},
      {kAction, {"NActions", nullptr, nullptr, nullptr, nullptr, nullptr}},
      {kText, {"CharacterCount", "CaretOffset", nullptr, nullptr, nullptr, nullptr}},
      {kImage, {"ImageDescription", "ImageLocale", nullptr, nullptr, nullptr, nullptr}},
  }};
  sd_.sd_bus_message_open_container(reply, 'a', "{sv}");
  for (const auto& [owner, names] : kNames) {
    if (interface != owner || !node.implements(interface)) continue;
    for (const char* property : names) {
      if (!property) break;
      sd_.sd_bus_message_open_container(reply, 'e', "sv");
      sd_.sd_bus_message_append(reply, "s", property);
      append_property(node, interface, property, reply);
      sd_.sd_bus_message_close_container(reply);
    }
  }
  sd_.sd_bus_message_close_container(reply);
}

bool AtspiBridge::answer_properties(const Node& node, std::string_view member, sd_bus_message* call,
                                    sd_bus_message* reply) {
  const char* interface = nullptr;
  if (member == "GetAll") {
    if (sd_.sd_bus_message_read(call, "s", &interface) < 0) return false;
    append_all_properties(node, interface, reply);
    return true;
  }
  const char* property = nullptr;
  if (sd_.sd_bus_message_read(call, "ss", &interface, &property) < 0) return false;
  if (member == "Get") return node.implements(interface) && append_property(node, interface, property, reply);
  // A client gives the application the number it knows it by; nothing else may be set.
  if (member == "Set" && node.kind == Node::Root && std::string_view(interface) == kApplication &&
      std::string_view(property) == "Id") {
    return sd_.sd_bus_message_read(call, "v", "i", &application_id_) >= 0;
  }
  return false;
}

void AtspiBridge::emit(const Node& node, const char* interface, const char* member, const char* detail, int detail1,
                       const char* variant_type, const void* variant) {
  if (unique_name_.empty()) return;
  BusMessage signal(sd_, nullptr);
  if (sd_.sd_bus_message_new_signal(bus_, signal.out(), node.path().c_str(), interface, member) < 0) return;
  sd_.sd_bus_message_append(signal.get(), "sii", detail, detail1, 0);
  if (std::strcmp(variant_type, "s") == 0) {
    sd_.sd_bus_message_append(signal.get(), "v", "s", static_cast<const char*>(variant));
  } else if (std::strcmp(variant_type, "(so)") == 0) {
    sd_.sd_bus_message_open_container(signal.get(), 'v', "(so)");
    append_reference(signal.get(), static_cast<const char*>(variant));
    sd_.sd_bus_message_close_container(signal.get());
  } else {
    sd_.sd_bus_message_append(signal.get(), "v", "i", 0);
  }
  sd_.sd_bus_message_append(signal.get(), "a{sv}", 0);
  sd_.sd_bus_send(bus_, signal.get(), nullptr);
  watch_->pump();
}

void AtspiBridge::error_box_shown(std::string_view message) {
  error_box_ = std::string(message);
  emit(Node{Node::Root}, kObjectEvents, "ChildrenChanged", "add", 1, "(so)", kAlertPath);
  emit(Node{Node::Alert}, kObjectEvents, "StateChanged", "showing", 1, "i", nullptr);
  // The box takes the keyboard from the window: it is created and activated, and its button has
  // the focus, so that a screen reader reads its title, its words and Close.
  announce_activation();
  const std::string title(::hv::kApplication);
  emit(Node{Node::Alert}, kWindowEvents, "Create", "", 0, "s", title.c_str());
  emit(Node{Node::Alert}, kWindowEvents, "Activate", "", 0, "s", title.c_str());
  emit(Node{Node::Alert}, kObjectEvents, "StateChanged", "active", 1, "i", nullptr);
  emit(Node{Node::AlertButton}, kObjectEvents, "StateChanged", "focused", 1, "i", nullptr);
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

bool AtspiBridge::answer_error_box_action(std::string_view member, sd_bus_message* call, sd_bus_message* reply) {
  std::int32_t index = 0;
  if (member != "GetActions") sd_.sd_bus_message_read(call, "i", &index);
  if (member == "GetName" || member == "GetLocalizedName") {
    sd_.sd_bus_message_append(reply, "s", index == 0 ? "click" : "");
  } else if (member == "GetDescription") {
    sd_.sd_bus_message_append(reply, "s", index == 0 ? "Closes the message, as a click does" : "");
  } else if (member == "GetKeyBinding") {
    sd_.sd_bus_message_append(reply, "s", "");
  } else if (member == "GetActions") {
    sd_.sd_bus_message_append(reply, "a(sss)", 1, "click", "Closes the message, as a click does", "");
  } else if (member == "DoAction") {
    sd_.sd_bus_message_append(reply, "b", index == 0 && Fl::modal() != nullptr);
    // Closed from the event loop once the answer is on its way: the copy ends with it.
    if (index == 0) {
      Fl::add_timeout(0.0, [](void*) {
        if (Fl_Window* box = Fl::modal()) box->hide();
      });
    }
  } else {
    return false;
  }
  return true;
}

void AtspiBridge::on_check(void* bridge) { static_cast<AtspiBridge*>(bridge)->announce_changes(); }

// A window that gains the keyboard says so as a desktop's windows do, and then which of its
// controls has the focus, so that a screen reader speaks the window's title and that control on
// opening and on every switch between copies; one that loses it says so too.
void AtspiBridge::announce_activation() {
  const bool active = window_.active() && !error_box_;
  if (active == last_active_ || unique_name_.empty()) return;  // told once the bridge is on the bus
  last_active_ = active;
  const Node frame{Node::Frame};
  const std::string title = window_.title();
  emit(frame, kWindowEvents, active ? "Activate" : "Deactivate", "", 0, "s", title.c_str());
  emit(frame, kObjectEvents, "StateChanged", "active", active, "i", nullptr);
  if (active && last_focus_) emit(Node::of(*last_focus_), kObjectEvents, "StateChanged", "focused", 1, "i", nullptr);
}

void AtspiBridge::announce_changes() {
  announce_activation();
  const std::optional<ControlId> focus = window_.focus();
  if (focus != last_focus_) {
    if (last_focus_) emit(Node::of(*last_focus_), kObjectEvents, "StateChanged", "focused", 0, "i", nullptr);
    if (focus) emit(Node::of(*focus), kObjectEvents, "StateChanged", "focused", 1, "i", nullptr);
    last_focus_ = focus;
  }
  const std::int16_t tick = window_.tick_value();
  const Node box = Node::of(ControlId::AlwaysOnTop_TICKBOX);
  if ((last_tick_ == 1) != (tick == 1)) emit(box, kObjectEvents, "StateChanged", "checked", tick == 1, "i", nullptr);
  if ((last_tick_ == 2) != (tick == 2)) {
    emit(box, kObjectEvents, "StateChanged", "indeterminate", tick == 2, "i", nullptr);
  }
  last_tick_ = tick;
  const auto& controls = accessible_controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    std::string now = window_.text(controls[i]->id);
    if (now == last_texts_[i]) continue;
    last_texts_[i] = now;
    const Node node{Node::Control, controls[i]};
    if (controls[i]->accessible.role == AccessibleRole::Label) {
      emit(node, kObjectEvents, "PropertyChange", "accessible-name", 0, "s", now.c_str());
    }
  }
}

}  // namespace hv::linux_backend
