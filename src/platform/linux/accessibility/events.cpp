#include "platform/linux/accessibility/bridge.h"

#include <cstring>

#include "app/identity.h"

namespace hv::linux_backend {

using namespace atspi;
using ui::AccessibleRole;
using ui::ControlId;

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
  send(signal.get());
  watch_->pump();
}

void AtspiBridge::on_check(void* bridge) {
  auto* self = static_cast<AtspiBridge*>(bridge);
  self->announce_changes();
  self->give_back_after_flood();
}

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

}  // namespace hv::linux_backend
