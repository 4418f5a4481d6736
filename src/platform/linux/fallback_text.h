#pragma once

#include <FL/Enumerations.H>

#include <string>

namespace hv::linux_backend {

// Plain text in the current FLTK font and colour, '@' and '&' no markup. FLTK draws a line in one
// font only; where that font lacks some characters (a copy named in Chinese, say), those are
// drawn in a font that has them, as the desktop's fonts offer one.
void draw_text(const std::string& text, int x, int y, int w, int h, Fl_Align align);

// The width draw_text gives the text.
int text_width(const std::string& text);

}  // namespace hv::linux_backend
