#pragma once

#include <FL/Enumerations.H>

#include <cstddef>
#include <string>

namespace hv::linux_backend {

// Plain text in the current FLTK font and colour, '@' and '&' no markup. FLTK draws a line in one
// font only; where that font lacks some characters (a copy named in Chinese, say), those are
// drawn in a font that has them, as the desktop's fonts offer one.
void draw_text(const std::string& text, int x, int y, int w, int h, Fl_Align align);

// The width draw_text gives the text.
int text_width(const std::string& text);

// Where draw_text puts the bytes [from, to) of a text it draws in x, y, w, h: the left edge and the
// width, in the current font.
struct TextSpan {
  int left, width;
};
TextSpan text_span(const std::string& text, std::size_t from, std::size_t to, int x, int w, Fl_Align align);

}  // namespace hv::linux_backend
