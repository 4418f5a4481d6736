#include "platform/linux/accessibility_switch.h"

#include <FL/Fl.H>

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace hv::linux_backend {
namespace {

constexpr std::uint64_t kAnswerMicroseconds = static_cast<std::uint64_t>(AccessibilitySwitch::kAnswerSeconds * 1e6);

// GTK's and Qt's switch for keeping a program off the accessibility bus, honoured here too.
bool kept_off() {
  const char* off = std::getenv("NO_AT_BRIDGE");
  return off && std::strcmp(off, "1") == 0;
}

// Where sd-bus would find the session bus; with neither, there is nobody to ask and nothing to load.
bool session_bus_named() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return (address && *address) || (runtime && *runtime);
}

}  // namespace

AccessibilitySwitch::AccessibilitySwitch(AccessibleWindow& window, std::string application_name)
    : window_(window), application_name_(std::move(application_name)) {
  // The first question waits for the event loop, so the window is on the screen before it.
  if (!kept_off()) Fl::add_timeout(0.0, ask, this);
}

AccessibilitySwitch::~AccessibilitySwitch() {
  Fl::remove_timeout(ask, this);
  Fl::remove_timeout(give_up, this);
  Fl::remove_timeout(ask_later_from_loop, this);
  Fl::remove_timeout(leave_from_loop, this);
  Fl::remove_timeout(join_from_loop, this);
  bridge_.reset();
  end_question();
  sd_.reset();
}

void AccessibilitySwitch::ask(void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  if (self->bridge_ || self->session_) return;
  if (!session_bus_named()) return self->ask_later();
  if (!self->sd_) self->sd_ = SdBusLibrary::load();
  const SdBusLibrary* sd = self->sd_.get();
  if (!sd || sd->sd_bus_open_user(&self->session_) < 0) {
    self->session_ = nullptr;
    self->ask_later();
    return;
  }
  BusMessage question(*sd, nullptr);
  if (sd->sd_bus_message_new_method_call(self->session_, question.out(), "org.a11y.Bus", "/org/a11y/bus",
                                         "org.freedesktop.DBus.Properties", "GetAll") < 0 ||
      sd->sd_bus_message_append(question.get(), "s", "org.a11y.Status") < 0) {
    self->ask_later();
    return;
  }
  // A session without the accessibility bus's launcher has no accessibility: asking must not start one.
  sd->sd_bus_message_set_auto_start(question.get(), 0);
  if (sd->sd_bus_call_async(self->session_, &self->pending_, question.get(), on_status, self, kAnswerMicroseconds) < 0) {
    self->ask_later();
    return;
  }
  self->session_watch_ = std::make_unique<BusWatch>(*sd, self->session_, [self] { Fl::add_timeout(0.0, ask_later_from_loop, self); });
  Fl::add_timeout(kAnswerSeconds * 2, give_up, self);
  self->session_watch_->pump();
}

int AccessibilitySwitch::on_status(sd_bus_message* reply, void* self_pointer, sd_bus_error*) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  const SdBusLibrary& sd = *self->sd_;
  sd.sd_bus_slot_unref(self->pending_);
  self->pending_ = nullptr;
  bool wanted = false;
  if (!sd.sd_bus_message_is_method_error(reply, nullptr) && sd.sd_bus_message_enter_container(reply, 'a', "{sv}") > 0) {
    while (sd.sd_bus_message_enter_container(reply, 'e', "sv") > 0) {
      const char* name = nullptr;
      int on = 0;
      if (sd.sd_bus_message_read(reply, "s", &name) < 0) break;
      const bool known = std::strcmp(name, "IsEnabled") == 0 || std::strcmp(name, "ScreenReaderEnabled") == 0;
      if (known && sd.sd_bus_message_read(reply, "v", "b", &on) >= 0) wanted = wanted || on;
      else if (sd.sd_bus_message_skip(reply, "v") < 0) break;
      sd.sd_bus_message_exit_container(reply);
    }
  }
  // The connection is closed from the event loop, outside sd-bus's handling of this answer.
  if (!wanted) {
    Fl::add_timeout(0.0, ask_later_from_loop, self);
    return 0;
  }
  BusMessage question(sd, nullptr);
  if (sd.sd_bus_message_new_method_call(self->session_, question.out(), "org.a11y.Bus", "/org/a11y/bus",
                                        "org.a11y.Bus", "GetAddress") >= 0) {
    sd.sd_bus_call_async(self->session_, &self->pending_, question.get(), on_address, self, kAnswerMicroseconds);
  }
  return 0;
}

int AccessibilitySwitch::on_address(sd_bus_message* reply, void* self_pointer, sd_bus_error*) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  const SdBusLibrary& sd = *self->sd_;
  sd.sd_bus_slot_unref(self->pending_);
  self->pending_ = nullptr;
  const char* address = nullptr;
  self->address_.clear();
  if (!sd.sd_bus_message_is_method_error(reply, nullptr) && sd.sd_bus_message_read(reply, "s", &address) > 0) {
    self->address_ = address;
  }
  // The session connection is done with once the address is known; it is closed from the event
  // loop, outside sd-bus's own handling of this answer.
  Fl::add_timeout(0.0, join_from_loop, self);
  return 0;
}

void AccessibilitySwitch::join_from_loop(void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  self->end_question();
  if (self->address_.empty()) self->ask_later();
  else self->join(self->address_.c_str());
}

void AccessibilitySwitch::join(const char* address) {
  const SdBusLibrary& sd = *sd_;
  sd_bus* bus = nullptr;
  if (sd.sd_bus_new(&bus) < 0) return ask_later();
  if (sd.sd_bus_set_address(bus, address) < 0 || sd.sd_bus_set_bus_client(bus, 1) < 0 || sd.sd_bus_start(bus) < 0) {
    sd.sd_bus_close_unref(bus);
    return ask_later();
  }
  bridge_ = std::make_unique<AtspiBridge>(sd, bus, window_, application_name_,
                                          [this] { Fl::add_timeout(0.0, leave_from_loop, this); });
}

void AccessibilitySwitch::leave_from_loop(void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  self->bridge_.reset();
  self->ask_later();
}

void AccessibilitySwitch::ask_later_from_loop(void* self) { static_cast<AccessibilitySwitch*>(self)->ask_later(); }

void AccessibilitySwitch::give_up(void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  if (self->session_) self->ask_later();
}

void AccessibilitySwitch::end_question() {
  Fl::remove_timeout(give_up, this);
  session_watch_.reset();
  if (pending_) sd_->sd_bus_slot_unref(pending_);
  pending_ = nullptr;
  if (session_) sd_->sd_bus_close_unref(session_);
  session_ = nullptr;
}

// Closes the question and lets the library go until the next one, with the memory loading it took.
void AccessibilitySwitch::ask_later() {
  end_question();
  if (!bridge_ && sd_) {
    sd_.reset();
    malloc_trim(0);
  }
  Fl::remove_timeout(ask, this);
  Fl::add_timeout(kAskAgainSeconds, ask, this);
}

}  // namespace hv::linux_backend
