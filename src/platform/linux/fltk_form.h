#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_RGB_Image.H>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend_form.h"
#include "platform/linux/accessibility/accessible_window.h"
#include "platform/linux/fltk_widgets.h"
#include "platform/linux/x11_session.h"

namespace hv::linux_backend {

// The main window on FLTK, built from the window design.
class FltkForm final : public BackendForm, public AccessibleWindow {
 public:
  // dpi: the screen's dots per inch, 1440 / dpi twips to a pixel.
  FltkForm(X11Session& session, int dpi);
  ~FltkForm() override;

  // Runs Form_Load, shows the window and serves its events until it is closed.
  void run(FormEvents& events);

  void set_title(std::string_view text) override;
  void set_app_name_text(std::string_view text) override;
  void set_creator_caption(std::string_view text) override;
  std::int16_t tick_value() const override;
  void show_tick_value(std::int16_t value) override;
  void set_timer_interval(int milliseconds) override;
  void set_timer_enabled(bool enabled) override;
  WindowHandle handle() const override;

  std::string title() const override;
  bool mapped() const override { return mapped_; }
  bool active() const override;
  PixelRect frame_on_screen() const override;
  PixelRect on_screen(ui::ControlId id) const override;
  std::string text(ui::ControlId id) const override;
  PixelRect character_on_screen(ui::ControlId id, std::int32_t offset) const override;
  std::optional<ui::ControlId> focus() const override;
  void click(ui::ControlId id) override;
  bool take_focus(ui::ControlId id) override;

 private:
  Fl_Widget* widget(ui::ControlId id) const;
  PixelPoint client_on_screen() const;
  void build_controls();
  int picture_border() const;
  Fl_Image* picture_for(int box_width, int box_height);
  void load_artwork();
  static void send_icons(void* form);
  void show();
  void settle_frame();
  void watch_window_manager(Window check);
  void read_window_manager();
  static int on_system_event(void* event, void* form);
  static void on_lost_display(void* form);
  void apply_geometry() override;
  PixelPoint outer_position() const override;
  PixelPoint current_outer_position() const;
  std::vector<PixelRect> monitor_areas() const override;
  PixelFrame frame(int dpi) const override;
  void report_and_exit(const std::string& error) override;
  void end_window() override;
  void start_timer();
  void stop_timer();
  static void on_timer(void* form);

  X11Session& session_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<Fl_RGB_Image> thumbs_up_;
  std::unique_ptr<Fl_Image> scaled_thumbs_up_;
  TextBox* app_name_ = nullptr;
  TriStateCheckBox* tick_box_ = nullptr;
  Caption* creator_ = nullptr;
  Fl_Button* exit_button_ = nullptr;
  std::vector<std::pair<ui::ControlId, Fl_Widget*>> widgets_;

  // Where the window manager (or, with none, the server) last said the client stands on the root,
  // its frame's extents and whether it is mapped: followed from the window's own events.
  std::optional<PixelPoint> reported_client_;
  FrameExtents known_extents_;
  bool reparented_ = false;
  bool display_lost_ = false;
  bool mapped_ = false;
  bool frame_settled_ = false;
  Window wm_check_ = None;
  double timer_seconds_ = 0;
  bool timer_enabled_ = false;
};

}  // namespace hv::linux_backend
