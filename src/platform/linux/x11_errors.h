#pragma once

#include <X11/Xlib.h>

namespace hv::linux_backend {

// From here on an X error is reported in one line on stderr and the copy goes on, where Xlib's own
// handler would end it; a lost connection ends the copy at once, with a line saying so.
void report_x_errors();

// What the copy does once the connection is lost, after the line saying so and before it ends:
// it stores what it last knew. The action must make no X request.
void before_ending_on_lost_display(void (*action)(void* data), void* data);

// From here on X errors are dropped: for a tool walking windows that may vanish between two of its
// requests, where a gone window is no error worth ending over.
void ignore_x_errors();

// Drops the X errors of the requests made while it lives, waiting for the server's answers before
// it gives the previous handler back: for a few requests whose results tell enough.
class ScopedXErrorTrap {
 public:
  explicit ScopedXErrorTrap(Display* display);
  ~ScopedXErrorTrap();
  ScopedXErrorTrap(const ScopedXErrorTrap&) = delete;
  ScopedXErrorTrap& operator=(const ScopedXErrorTrap&) = delete;

 private:
  Display* display_;
  int (*previous_)(Display*, XErrorEvent*);
};

// Drops the X errors of the requests made while it lives, whenever they arrive, without waiting
// for the server; errors of all other requests still reach the handler before it.
class QuietXRequests {
 public:
  explicit QuietXRequests(Display* display);
  ~QuietXRequests();
  QuietXRequests(const QuietXRequests&) = delete;
  QuietXRequests& operator=(const QuietXRequests&) = delete;

 private:
  Display* display_;
};

}  // namespace hv::linux_backend
