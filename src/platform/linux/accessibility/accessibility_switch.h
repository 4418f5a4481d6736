#pragma once

#include <memory>
#include <string>

#include "platform/linux/accessibility/accessible_window.h"
#include "platform/linux/accessibility/bridge.h"
#include "platform/linux/accessibility/bus_watch.h"
#include "platform/linux/sd_bus_library.h"

namespace hv::linux_backend {

// Puts the window on the session's accessibility bus while the session wants accessibility
// (org.a11y.Status: IsEnabled or ScreenReaderEnabled, as desktops set it when a screen reader or an
// automation tool asks). The copy asks at start and again every kAskAgainSeconds, each time on a
// connection of its own that it closes with the answer, and with a handful of messages of its own
// (status_question.h): a copy in a session without accessibility holds no connection and loads no
// bus library. Once the answer is yes it loads sd-bus and stays. A bus that goes away only takes
// the bridge with it: the copy asks again later. Nothing here waits on a bus.
class AccessibilitySwitch {
 public:
  static constexpr double kAskAgainSeconds = 10.0;
  // How long an unanswered question is left open; a hung bus is asked again later.
  static constexpr double kAnswerSeconds = 5.0;

  AccessibilitySwitch(AccessibleWindow& window, std::string application_name);
  ~AccessibilitySwitch();
  AccessibilitySwitch(const AccessibilitySwitch&) = delete;
  AccessibilitySwitch& operator=(const AccessibilitySwitch&) = delete;

 private:
  static void ask(void* self);
  static void on_readable(int fd, void* self);
  static void give_up(void* self);
  static void ask_later_from_loop(void* self);
  static void leave_from_loop(void* self);
  static void join_from_loop(void* self);
  static int on_address(sd_bus_message* reply, void* self, sd_bus_error* error);
  void read_answers();
  void answered(bool wanted);
  void fetch_address();
  void join(const char* address);
  void end_question();
  void ask_later();

  AccessibleWindow& window_;
  std::string application_name_;
  // The question: a plain socket to the session bus, what came back, and the answers so far.
  int socket_ = -1;
  bool authenticated_ = false;
  std::string inbox_;
  int answers_ = 0;
  bool wanted_ = false;
  // Joining: sd-bus, its session connection while it asks for the address, and the bridge.
  std::unique_ptr<SdBusLibrary> sd_;
  sd_bus* session_ = nullptr;
  sd_bus_slot* pending_ = nullptr;
  std::unique_ptr<BusWatch> session_watch_;
  std::unique_ptr<AtspiBridge> bridge_;
  std::string address_;  // the accessibility bus's, as the launcher gave it
};

}  // namespace hv::linux_backend
