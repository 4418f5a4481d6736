#pragma once

#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Widget.H>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/screen_geometry.h"

namespace hv::linux_backend {

// The top-level window, whose position can be marked as the user's own even where FLTK would not.
class MainWindow final : public Fl_Double_Window {
 public:
  using Fl_Double_Window::Fl_Double_Window;
  using Fl_Double_Window::force_position;
  int handle(int event) override;
};

// A caption drawn as plain text: '@' and '&' are not FLTK markup here.
class Caption : public Fl_Box {
 public:
  Caption(int x, int y, int w, int h, const std::string& text, bool centred);
  void text(const std::string& value);
  const std::string& text() const { return text_; }
  // Where the bytes [from, to) of the text are drawn, in the window, clipped to the caption.
  PixelRect character_box(std::size_t from, std::size_t to) const;

 protected:
  void draw() override;

 private:
  std::string text_;
};

// A caption that reports double-clicks through its callback; single clicks do nothing.
class DoubleClickCaption final : public Caption {
 public:
  using Caption::Caption;
  int handle(int event) override;
};

// A read-only single-line text box. Focus selects the whole text (and offers it as the X primary
// selection); Ctrl+C copies it to the clipboard.
class TextBox final : public Fl_Widget {
 public:
  TextBox(int x, int y, int w, int h, bool centred);
  void text(const std::string& value);
  const std::string& text() const { return text_; }
  PixelRect character_box(std::size_t from, std::size_t to) const;
  int handle(int event) override;

 protected:
  void draw() override;

 private:
  std::string text_;
};

// A focusable sunken box whose picture fills its inside; a dotted rectangle shows while it has the
// focus. The border is the toolkit's own 2-pixel sunken frame at 96 dpi and the same two rings
// drawn thicker at higher densities.
class PictureBox final : public Fl_Box {
 public:
  PictureBox(int x, int y, int w, int h, Fl_Image* picture, int border);
  int handle(int event) override;
  // The inside's size for a box of w x h pixels and a border.
  static int inside(int size, int border) { return size - 2 * border; }

 protected:
  void draw() override;

 private:
  Fl_Image* picture_;
  int border_;
};

// A check box with a third, greyed state (2). A click changes nothing here: the callback decides
// the next state.
class TriStateCheckBox final : public Fl_Check_Button {
 public:
  TriStateCheckBox(int x, int y, int w, int h, const std::string& caption);
  std::int16_t state() const { return state_; }
  void state(std::int16_t value);

 protected:
  void draw() override;

 private:
  std::int16_t state_ = 0;
};

}  // namespace hv::linux_backend
