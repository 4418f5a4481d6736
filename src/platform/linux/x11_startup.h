#pragma once

#include <X11/Xlib.h>

namespace hv::linux_backend {

// Opens the X connection and hands it to FLTK, as FLTK's own fl_open_display() would (the user's
// character locale, X error handling that reports and goes on), with fewer round trips to the
// server before the first frame. Ends the program with a message when there is no display.
Display* open_display_for_toolkit();

}  // namespace hv::linux_backend
