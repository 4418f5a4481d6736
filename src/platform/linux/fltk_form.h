#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_RGB_Image.H>

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/linux/fltk_widgets.h"
#include "platform/linux/x11_session.h"

namespace hv::linux_backend {

// The main window on FLTK, built from the window design. Geometry is the outer frame in twips;
// the client area is the outer size less the design's frame, whatever frame the window manager
// draws, so the layout always fits.
class FltkForm final : public Form {
 public:
  // dpi: the screen's dots per inch, 1440 / dpi twips to a pixel.
  FltkForm(const X11Session& session, int dpi);
  ~FltkForm() override;

  // Runs Form_Load, shows the window and serves its events until it is closed.
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
  void show_tick_value(std::int16_t value) override;
  void set_timer_interval(int milliseconds) override;
  void set_timer_enabled(bool enabled) override;
  void unload() override;
  WindowHandle handle() const override;

 private:
  struct OuterPosition {
    long x = 0, y = 0;
    friend bool operator==(OuterPosition, OuterPosition) = default;
  };

  void build_controls();
  int picture_border() const;
  Fl_Image* picture_for(int box_width, int box_height);
  void load_artwork();
  void show();
  void settle_frame();
  static int on_system_event(void* event, void* form);
  void apply_geometry();
  OuterPosition outer_position() const;
  void close();
  void start_timer();
  void stop_timer();
  static void on_timer(void* form);

  // Runs one handler; an error escaping it is reported and ends the program.
  template <class Handler>
  void dispatch(Handler&& handler);

  const X11Session& session_;
  const int dpi_;
  FormEvents* events_ = nullptr;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<Fl_RGB_Image> thumbs_up_;
  std::unique_ptr<Fl_Image> scaled_thumbs_up_;
  std::vector<std::unique_ptr<Fl_RGB_Image>> icons_;
  TextBox* app_name_ = nullptr;
  TriStateCheckBox* tick_box_ = nullptr;
  Caption* creator_ = nullptr;
  Fl_Button* exit_button_ = nullptr;

  float left_twips_ = 0, top_twips_ = 0, width_twips_ = 0, height_twips_ = 0;
  OuterPosition placed_;  // where the window was put, in pixels, to tell whether it was moved
  // Where the window manager last said it put the client, on the root, and whether it is mapped:
  // followed from the window's own events, in their order.
  std::optional<OuterPosition> reported_client_;
  bool mapped_ = false;
  bool shown_ = false;
  bool frame_settled_ = false;
  bool failed_ = false;
  double timer_seconds_ = 0;
  bool timer_enabled_ = false;
};

}  // namespace hv::linux_backend
