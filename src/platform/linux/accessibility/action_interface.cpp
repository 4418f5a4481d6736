#include "platform/linux/accessibility/bridge.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <memory>

namespace hv::linux_backend {

using namespace atspi;

namespace {

std::string action_description(const ui::Control& control) {
  switch (control.accessible.role) {
    case ui::AccessibleRole::CheckBox: return "Ticks or unticks the box, as a click does";
    case ui::AccessibleRole::PushButton: return "Presses the button";
    default: return "Does what a double click does";
  }
}

}  // namespace

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
    // The error box holds the window, for a client as for the mouse.
    const bool done = valid && !error_box_open();
    sd_.sd_bus_message_append(reply, "b", done);
    if (done) {
      // The click runs from the event loop once the answer is on its way: EXIT's click ends the copy.
      struct Click {
        AccessibleWindow* window;
        ui::ControlId id;
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

}  // namespace hv::linux_backend
