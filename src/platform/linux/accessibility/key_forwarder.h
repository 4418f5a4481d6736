#pragma once

#include <cstdint>
#include <string>

#include "platform/linux/sd_bus_library.h"

class Fl_Window;

namespace hv::linux_backend {

// A key as the registry's listeners are told of it.
struct KeyEvent {
  bool pressed;
  std::int32_t keysym;
  std::uint32_t keycode;
  std::uint32_t modifiers;  // the X modifier mask as the key came
  std::int32_t time;
  std::string name;  // the character typed, or the key's name where it types none
  bool is_text;
};

// Offers each key typed into the copy's windows to the session registry's key listeners before
// the window sees it, as a desktop's own toolkits do: a screen reader hears its commands there and
// keeps (consumes) the ones that are its own. Nothing is sent while no one listens. A registry that
// does not answer within kBound still lets the key through, and is not asked again until it has
// answered, so that only the first key after it hangs waits; the copy's own calls are answered
// while a key waits, since the listener may ask the copy about itself before it answers.
class KeyForwarder {
 public:
  static constexpr std::uint64_t kBoundMicroseconds = 3'000'000;
  // How long an unanswered key is kept out before keys are offered again, each to wait once more.
  static constexpr std::uint64_t kGiveUpMicroseconds = 600'000'000;

  // Takes over the toolkit's event dispatch while it lives. after_wait runs from the event loop
  // once a wait has read the bus, so that the bus's watch sees what is left.
  KeyForwarder(const SdBusLibrary& sd, sd_bus* bus, void (*after_wait)(void*), void* owner);
  ~KeyForwarder();
  KeyForwarder(const KeyForwarder&) = delete;
  KeyForwarder& operator=(const KeyForwarder&) = delete;

  // Whether a listener kept the key.
  bool offer(const KeyEvent& key);
  // Whether keys are offered now: someone listens, and no key offered earlier is still unanswered
  // past the bound (a registry that does not answer is offered none until it has).
  bool listening() const { return listeners_ > 0 && !asking_; }

 private:
  static int dispatch(int event, Fl_Window* window);
  static int on_listeners_changed(sd_bus_message* signal, void* forwarder, sd_bus_error* error);
  static int on_listeners(sd_bus_message* reply, void* forwarder, sd_bus_error* error);
  static int on_answer(sd_bus_message* reply, void* forwarder, sd_bus_error* error);
  void count_listeners();

  const SdBusLibrary& sd_;
  sd_bus* bus_;
  void (*after_wait_)(void*);
  void* owner_;
  sd_bus_slot* registered_ = nullptr;
  sd_bus_slot* deregistered_ = nullptr;
  sd_bus_slot* counting_ = nullptr;
  sd_bus_slot* asking_ = nullptr;
  int listeners_ = 0;
  bool count_again_ = false;
  // The key being offered: whether its answer came, and whether it was kept.
  bool answered_ = false, kept_ = false;
  int (*previous_dispatch_)(int, Fl_Window*) = nullptr;
};

}  // namespace hv::linux_backend
