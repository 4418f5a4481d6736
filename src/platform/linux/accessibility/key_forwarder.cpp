#include "platform/linux/accessibility/key_forwarder.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xutil.h>
#include <time.h>

namespace hv::linux_backend {
namespace {

constexpr char kRegistry[] = "org.a11y.atspi.Registry";
constexpr char kController[] = "/org/a11y/atspi/registry/deviceeventcontroller";
constexpr char kControllerInterface[] = "org.a11y.atspi.DeviceEventController";
constexpr char kListenerInterface[] = "org.a11y.atspi.DeviceEventListener";
constexpr char kListener[] = "(souua(iisi)u(bbb))";
// AT-SPI's numbers for a key's press and release.
constexpr std::uint32_t kKeyPressed = 0, kKeyReleased = 1;

// The one forwarder that has the toolkit's dispatch.
KeyForwarder* current = nullptr;

std::uint64_t now_microseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

// The key in the X event the toolkit is handling, with its keysym as the modifiers make it.
bool key_from_x(int event, KeyEvent& key) {
  if (!fl_xevent || (fl_xevent->type != KeyPress && fl_xevent->type != KeyRelease)) return false;
  XKeyEvent copy = fl_xevent->xkey;
  char typed[16] = {};
  KeySym keysym = NoSymbol;
  const int length = XLookupString(&copy, typed, sizeof typed - 1, &keysym, nullptr);
  const auto first = static_cast<unsigned char>(typed[0]);
  key.pressed = event == FL_KEYDOWN;
  key.keysym = static_cast<std::int32_t>(keysym);
  key.keycode = copy.keycode;
  key.modifiers = copy.state;
  key.time = static_cast<std::int32_t>(copy.time);
  key.is_text = length > 0 && first >= 0x20 && first != 0x7F;
  const char* name = keysym != NoSymbol ? XKeysymToString(keysym) : nullptr;
  key.name = key.is_text ? std::string(typed, length) : std::string(name ? name : "");
  return true;
}

}  // namespace

KeyForwarder::KeyForwarder(const SdBusLibrary& sd, sd_bus* bus, void (*after_wait)(void*), void* owner)
    : sd_(sd), bus_(bus), after_wait_(after_wait), owner_(owner) {
  // The registry says when a listener comes or goes; the listeners are counted again each time.
  sd_.sd_bus_match_signal_async(bus_, &registered_, nullptr, kController, kListenerInterface,
                                "KeystrokeListenerRegistered", on_listeners_changed, nullptr, this);
  sd_.sd_bus_match_signal_async(bus_, &deregistered_, nullptr, kController, kListenerInterface,
                                "KeystrokeListenerDeregistered", on_listeners_changed, nullptr, this);
  count_listeners();
  previous_dispatch_ = Fl::event_dispatch();
  Fl::event_dispatch(dispatch);
  current = this;
}

KeyForwarder::~KeyForwarder() {
  Fl::event_dispatch(previous_dispatch_);
  current = nullptr;
  Fl::remove_timeout(after_wait_, owner_);
  for (sd_bus_slot* slot : {registered_, deregistered_, counting_, asking_}) {
    if (slot) sd_.sd_bus_slot_unref(slot);
  }
}

// A screen reader registers a listener for each of 256 modifier combinations: the registry's
// signals come in a burst, and the count asked for once more after the one under way.
void KeyForwarder::count_listeners() {
  if (counting_) {
    count_again_ = true;
    return;
  }
  BusMessage call(sd_, nullptr);
  if (sd_.sd_bus_message_new_method_call(bus_, call.out(), kRegistry, kController, kControllerInterface,
                                         "GetKeystrokeListeners") < 0) {
    return;
  }
  sd_.sd_bus_call_async(bus_, &counting_, call.get(), on_listeners, this, 0);
}

int KeyForwarder::on_listeners_changed(sd_bus_message*, void* forwarder, sd_bus_error*) {
  static_cast<KeyForwarder*>(forwarder)->count_listeners();
  return 0;
}

int KeyForwarder::on_listeners(sd_bus_message* reply, void* forwarder, sd_bus_error*) {
  auto* self = static_cast<KeyForwarder*>(forwarder);
  self->sd_.sd_bus_slot_unref(self->counting_);
  self->counting_ = nullptr;
  int count = 0;
  if (!self->sd_.sd_bus_message_is_method_error(reply, nullptr) &&
      self->sd_.sd_bus_message_enter_container(reply, 'a', kListener) >= 0) {
    while (self->sd_.sd_bus_message_skip(reply, kListener) > 0) ++count;
  }
  self->listeners_ = count;
  if (self->count_again_) {
    self->count_again_ = false;
    self->count_listeners();
  }
  return 0;
}

// Any answer, however late, shows the registry is back: keys are offered again.
int KeyForwarder::on_answer(sd_bus_message* reply, void* forwarder, sd_bus_error*) {
  auto* self = static_cast<KeyForwarder*>(forwarder);
  self->sd_.sd_bus_slot_unref(self->asking_);
  self->asking_ = nullptr;
  self->answered_ = true;
  int kept = 0;
  self->kept_ = !self->sd_.sd_bus_message_is_method_error(reply, nullptr) &&
                self->sd_.sd_bus_message_read(reply, "b", &kept) > 0 && kept;
  return 0;
}

bool KeyForwarder::offer(const KeyEvent& key) {
  if (!listening()) return false;
  BusMessage call(sd_, nullptr);
  // The registry takes the key code and the modifiers as 16-bit numbers, whatever its
  // introspection says.
  if (sd_.sd_bus_message_new_method_call(bus_, call.out(), kRegistry, kController, kControllerInterface,
                                         "NotifyListenersSync") < 0 ||
      sd_.sd_bus_message_append(call.get(), "(uinnisb)", key.pressed ? kKeyPressed : kKeyReleased, key.keysym,
                                static_cast<std::int16_t>(key.keycode), static_cast<std::int16_t>(key.modifiers),
                                key.time, key.name.c_str(), key.is_text) < 0 ||
      sd_.sd_bus_call_async(bus_, &asking_, call.get(), on_answer, this, kGiveUpMicroseconds) < 0) {
    return false;
  }
  answered_ = kept_ = false;
  // Calls that come meanwhile are answered: the listener may ask the copy about the focus first.
  const std::uint64_t deadline = now_microseconds() + kBoundMicroseconds;
  while (!answered_) {
    const int handled = sd_.sd_bus_process(bus_, nullptr);
    if (handled < 0) break;
    const std::uint64_t now = now_microseconds();
    if (now >= deadline) break;
    if (handled == 0 && sd_.sd_bus_wait(bus_, deadline - now) < 0) break;
  }
  // An unanswered call stays out; its answer, when it comes, lets keys be offered again.
  Fl::add_timeout(0.0, after_wait_, owner_);
  return answered_ && kept_;
}

int KeyForwarder::dispatch(int event, Fl_Window* window) {
  // Every event of the copy passes here: the key is read from X only when there is someone to offer it to.
  KeyEvent key{};
  if ((event == FL_KEYDOWN || event == FL_KEYUP) && current && current->listening() && key_from_x(event, key) &&
      current->offer(key)) {
    return 1;
  }
  return Fl::handle_(event, window);
}

}  // namespace hv::linux_backend
