#include "platform/linux/fltk_widgets.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <string>

#include "platform/linux/fallback_text.h"

namespace hv::linux_backend {
namespace {

Fl_Align text_alignment(bool centred) {
  return (centred ? FL_ALIGN_CENTER : FL_ALIGN_LEFT) | FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
}

// Where a widget that draws one line inside its box puts some bytes of it, as draw_text places them.
PixelRect line_part(const Fl_Widget& widget, const std::string& text, std::size_t from, std::size_t to) {
  const int bx = widget.x() + Fl::box_dx(widget.box()), by = widget.y() + Fl::box_dy(widget.box());
  const int bw = widget.w() - Fl::box_dw(widget.box()), bh = widget.h() - Fl::box_dh(widget.box());
  fl_font(widget.labelfont(), widget.labelsize());
  const TextSpan span = text_span(text, from, to, bx, bw, widget.align());
  const int left = std::max(span.left, bx), right = std::min(span.left + span.width, bx + bw);
  const int top = std::max(by + (bh - fl_height()) / 2, by), bottom = std::min(by + (bh + fl_height()) / 2, by + bh);
  if (right <= left || bottom <= top) return {};
  return {left, top, right - left, bottom - top};
}

}  // namespace

// The window has no default button, so Enter does nothing; FLTK would otherwise move the keyboard
// on to the next control, as Tab does.
int MainWindow::handle(int event) {
  if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) return 1;
  return Fl_Double_Window::handle(event);
}

Caption::Caption(int x, int y, int w, int h, const std::string& text, bool centred)
    : Fl_Box(x, y, w, h), text_(text) {
  box(FL_FLAT_BOX);
  align(text_alignment(centred));
}

void Caption::text(const std::string& value) {
  text_ = value;
  redraw();
}

PixelRect Caption::character_box(std::size_t from, std::size_t to) const { return line_part(*this, text_, from, to); }

void Caption::draw() {
  draw_box();
  fl_font(labelfont(), labelsize());
  fl_color(labelcolor());
  draw_text(text_, x() + Fl::box_dx(box()), y() + Fl::box_dy(box()), w() - Fl::box_dw(box()),
                  h() - Fl::box_dh(box()), align());
}

int DoubleClickCaption::handle(int event) {
  if (event == FL_PUSH) {
    if (Fl::event_button() == FL_LEFT_MOUSE && Fl::event_clicks() > 0) do_callback();
    return 1;
  }
  return Caption::handle(event);
}

TextBox::TextBox(int x, int y, int w, int h, bool centred) : Fl_Widget(x, y, w, h) {
  box(FL_DOWN_BOX);
  align(text_alignment(centred));
  color(FL_BACKGROUND2_COLOR);
  labelcolor(FL_FOREGROUND_COLOR);
}

void TextBox::text(const std::string& value) {
  text_ = value;
  redraw();
}

int TextBox::handle(int event) {
  switch (event) {
    case FL_FOCUS:
      Fl::copy(text_.c_str(), static_cast<int>(text_.size()), 0);
      redraw();
      return 1;
    case FL_UNFOCUS:
      redraw();
      return 1;
    case FL_PUSH:
      if (Fl::focus() != this) take_focus();
      return 1;
    case FL_KEYBOARD:
      if ((Fl::event_state() & FL_CTRL) &&
          (Fl::event_key() == 'c' || Fl::event_key() == FL_Insert)) {
        Fl::copy(text_.c_str(), static_cast<int>(text_.size()), 1);
        return 1;
      }
      return 0;
    default:
      return Fl_Widget::handle(event);
  }
}

PixelRect TextBox::character_box(std::size_t from, std::size_t to) const { return line_part(*this, text_, from, to); }

void TextBox::draw() {
  draw_box();
  const int bx = x() + Fl::box_dx(box()), by = y() + Fl::box_dy(box());
  const int bw = w() - Fl::box_dw(box()), bh = h() - Fl::box_dh(box());
  fl_font(labelfont(), labelsize());
  const bool selected = Fl::focus() == this && !text_.empty();
  if (selected) {
    const int tw = text_width(text_);
    const int sx = (align() & FL_ALIGN_LEFT) ? bx : bx + (bw - tw) / 2;
    fl_push_clip(bx, by, bw, bh);
    fl_color(selection_color());
    fl_rectf(sx, by + (bh - fl_height()) / 2, tw, fl_height());
    fl_pop_clip();
  }
  fl_color(selected ? fl_contrast(labelcolor(), selection_color()) : labelcolor());
  draw_text(text_, bx, by, bw, bh, align());
}

PictureBox::PictureBox(int x, int y, int w, int h, Fl_Image* picture, int border)
    : Fl_Box(x, y, w, h), picture_(picture), border_(border) {
  box(FL_DOWN_BOX);
}

int PictureBox::handle(int event) {
  switch (event) {
    case FL_FOCUS:
    case FL_UNFOCUS:
      redraw();
      return 1;
    case FL_PUSH:
      take_focus();
      return 1;
    default:
      return Fl_Box::handle(event);
  }
}

void PictureBox::draw() {
  if (border_ == Fl::box_dx(box())) {
    draw_box();
  } else {
    // The sunken box's two rings, given as the gray ramp's letters for bottom, right, top and
    // left: light below and dark above outside, mid grey and black inside.
    const int outer = (border_ + 1) / 2;
    std::string rings;
    for (int i = 0; i < outer; ++i) rings += "WWMM";
    for (int i = outer; i < border_; ++i) rings += "PPAA";
    fl_frame2(rings.c_str(), x(), y(), w(), h());
    fl_color(color());
    fl_rectf(x() + border_, y() + border_, inside(w(), border_), inside(h(), border_));
  }
  const int inner_x = x() + border_, inner_y = y() + border_;
  const int inner_w = inside(w(), border_), inner_h = inside(h(), border_);
  if (picture_) {
    fl_push_clip(inner_x, inner_y, inner_w, inner_h);
    picture_->draw(inner_x, inner_y);
    fl_pop_clip();
  }
  if (Fl::focus() == this) draw_focus(FL_FLAT_BOX, inner_x, inner_y, inner_w, inner_h);
}

TriStateCheckBox::TriStateCheckBox(int x, int y, int w, int h, const std::string& caption)
    : Fl_Check_Button(x, y, w, h) {
  copy_label(caption.c_str());
}

void TriStateCheckBox::state(std::int16_t value) {
  state_ = value;
  Fl_Check_Button::value(value != 0);
  redraw();
}

void TriStateCheckBox::draw() {
  if (state_ != 2) {
    Fl_Check_Button::draw();
    return;
  }
  const Fl_Color tick = selection_color();
  selection_color(FL_INACTIVE_COLOR);
  Fl_Check_Button::draw();
  selection_color(tick);
}

}  // namespace hv::linux_backend
