#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/backend_form.h"
#include "ui/controls.h"

namespace hv::windows_backend {

// A fixed frame: a title bar with a close and a minimise box, no resizing border.
inline constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The window's outer rectangle around a client area at 0,0 at a density: the frame Windows gives
// the style there.
RECT outer_rect(long client_width, long client_height, UINT dpi);

// A handful of entries looked up by key: a vector does, and keeps tree code out of the .exe.
template <class Key, class Value>
class SmallMap {
 public:
  Value& operator[](const Key& key) {
    for (auto& entry : items_) {
      if (entry.first == key) return entry.second;
    }
    return items_.emplace_back(key, Value{}).second;
  }
  const Value* find(const Key& key) const {
    for (const auto& entry : items_) {
      if (entry.first == key) return &entry.second;
    }
    return nullptr;
  }
  const Value& at(const Key& key) const {
    if (const Value* value = find(key)) return *value;
    throw std::logic_error("a control is missing from the window");
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::pair<Key, Value>> items_;
};

// The main window as a plain Win32 window built from the window design.
class Win32Form final : public BackendForm {
 public:
  explicit Win32Form(HINSTANCE instance);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  // Runs Form_Load, shows the window and serves its messages until it is destroyed.
  void run(FormEvents& events);

  void set_title(std::string_view text) override;
  void set_app_name_text(std::string_view text) override;
  void set_creator_caption(std::string_view text) override;
  std::int16_t tick_value() const override;
  void show_tick_value(std::int16_t value) override;
  void set_timer_interval(int milliseconds) override;
  void set_timer_enabled(bool enabled) override;
  WindowHandle handle() const override;

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT on_message(UINT message, WPARAM w, LPARAM l);
  void create_controls();
  void layout(UINT dpi);
  void load_icons(UINT dpi);
  HFONT font_for(const ui::Control& control);
  void apply_geometry() override;
  void lay_out(int dpi) override;
  void put_window(const PixelPlacement& place) override;
  int window_dpi() const override;
  std::vector<ScaledMonitor> scaled_monitors() const override;
  PixelPoint outer_position() const override;
  std::vector<PixelRect> monitor_areas() const override;
  PixelFrame frame(int dpi) const override;
  void report_and_exit(const std::string& error) override;
  void on_command(WORD id, WORD code);
  LRESULT on_colour(HDC dc, HWND control);
  void end_window() override;
  void restart_timer();
  void on_activate(bool active);

  HINSTANCE instance_;
  HWND window_ = nullptr;
  SmallMap<ui::ControlId, HWND> controls_;
  SmallMap<HWND, const ui::Control*> designs_;
  struct FontKey {
    std::string_view face;
    bool bold;
    int height;
    friend bool operator==(const FontKey&, const FontKey&) = default;
  };
  SmallMap<FontKey, HFONT> fonts_;
  SmallMap<COLORREF, HBRUSH> brushes_;
  HBITMAP thumbs_up_ = nullptr;
  HICON big_icon_ = nullptr, small_icon_ = nullptr;
  // Where the window last stood while not minimised: a minimised window stands at the parking
  // place of minimised windows, which is not where it reopens.
  POINT normal_position_{};
  // The control that had the keyboard focus when the window was last deactivated.
  HWND last_focus_ = nullptr;
  // Set while the window is being put where placement() says, which no density change may move.
  bool applying_ = false;
  UINT timer_interval_ = 0;
  bool timer_enabled_ = false;
};

}  // namespace hv::windows_backend
