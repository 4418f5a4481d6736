#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "platform/form.h"
#include "ui/controls.h"

namespace hv::windows_backend {

// The main window as a plain Win32 window built from the window design. Geometry is the outer
// window rectangle in twips (1440 / DPI to a pixel); the client area is the outer size less the
// design's frame, whatever frame the theme draws.
class Win32Form final : public Form {
 public:
  explicit Win32Form(HINSTANCE instance);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  // Runs Form_Load, shows the window and serves its messages until it is destroyed.
  void run(FormEvents& events);

  float left() const override;
  float top() const override;
  void set_left(float twips) override;
  void set_top(float twips) override;
  void set_width(float twips) override;
  void set_height(float twips) override;
  void set_title(std::string_view text) override;
  void set_app_name_text(std::string_view text) override;
  void set_creator_caption(std::string_view text) override;
  std::int16_t tick_value() const override;
  void set_tick_value(std::int16_t value) override;
  void set_timer_interval(int milliseconds) override;
  void set_timer_enabled(bool enabled) override;
  void unload() override;
  WindowHandle handle() const override;

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT on_message(UINT message, WPARAM w, LPARAM l);
  void create_controls();
  void layout(UINT dpi);
  void apply_geometry();
  float twips_per_pixel() const;
  float current_twips(long requested_px, long current_px, float requested_twips) const;
  void on_command(WORD id, WORD code);
  LRESULT on_colour(HDC dc, HWND control);
  void close();
  void restart_timer();

  template <class Handler>
  void dispatch(Handler&& handler);

  HINSTANCE instance_;
  HWND window_ = nullptr;
  FormEvents* events_ = nullptr;
  std::map<ui::ControlId, HWND> controls_;
  std::map<HWND, const ui::Control*> designs_;
  std::map<int, HFONT> fonts_;  // by pixel height and face
  std::map<COLORREF, HBRUSH> brushes_;
  HBITMAP thumbs_up_ = nullptr;
  UINT dpi_ = 96;

  float left_twips_ = 0, top_twips_ = 0, width_twips_ = 0, height_twips_ = 0;
  POINT placed_{};
  bool shown_ = false;
  bool failed_ = false;
  UINT timer_interval_ = 0;
  bool timer_enabled_ = false;
};

}  // namespace hv::windows_backend
