#pragma once

#include <X11/Xlib.h>

namespace hv::linux_backend {

// Opens the X connection in the user's character locale and starts FLTK on it, with X errors
// reported and survived; ends the program with a message when there is no display.
Display* start_toolkit();

// The Xft font FLTK draws text with now (an XftFont), for the characters that font lacks; null with
// an FLTK other than the one this program knows the insides of.
void* toolkit_xft_font();

}  // namespace hv::linux_backend
