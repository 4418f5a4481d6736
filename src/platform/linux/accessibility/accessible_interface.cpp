#include "platform/linux/accessibility/bridge.h"

#include "app/identity.h"

namespace hv::linux_backend {

using namespace atspi;
using ui::AccessibleRole;
using ui::ControlId;

bool AtspiBridge::answer_accessible(const Node& node, std::string_view member, sd_bus_message* call,
                                    sd_bus_message* reply) {
  if (member == "GetChildAtIndex") {
    std::int32_t index = -1;
    sd_.sd_bus_message_read(call, "i", &index);
    const std::vector<Node> children = node.children(error_box_open());
    if (index >= 0 && static_cast<std::size_t>(index) < children.size()) append_reference(reply, children[index]);
    else append_reference(reply, kNullPath);
  } else if (member == "GetChildren") {
    sd_.sd_bus_message_open_container(reply, 'a', "(so)");
    for (const Node& child : node.children(error_box_open())) append_reference(reply, child);
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
    const RoleNames role = node.role();
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

}  // namespace hv::linux_backend
