#pragma once

#include <string>

#include "app/handler_errors.h"
#include "platform/form.h"
#include "platform/screen_geometry.h"

namespace hv {

// Where the window goes: its outer corner and its client area's size, in pixels, at the density it
// is laid out at there.
struct PixelPlacement {
  PixelPoint corner;
  long client_width = 0, client_height = 0;
  int dpi = 0;
};

// What the main window is on every toolkit: geometry kept in twips, so that rounding to pixels
// never makes a stored value drift; the tick box's click; handlers run one at a time, none after
// the first that fails. A backend adds only its toolkit's calls.
// Two densities: a place is a point of the whole desktop and converts with the desktop's one
// density, so a stored place means the same point whichever monitor a copy opens on; the window's
// size and fonts follow the density of the monitor it is on. Where a toolkit has one density for
// everything (X11's Xft.dpi), the two are the same.
class BackendForm : public Form {
 public:
  float left() const final;
  float top() const final;
  void set_left(float twips) final;
  void set_top(float twips) final;
  void set_width(float twips) final;
  void set_height(float twips) final;
  // The user's close box, a logout, EXIT: Form_Unload runs, and unless it cancels, the window stops
  // its timer and goes, once; a window already gone ignores every later close.
  void unload() final;

 protected:
  // At the design's outer size, at 0,0.
  BackendForm(int desktop_dpi, int dpi);

  void use_events(FormEvents& events) { events_ = &events; }
  FormEvents& events() { return *events_; }

  int dpi() const { return dpi_; }
  void use_dpi(int dpi) { dpi_ = dpi; }
  // The client area's size at a density, in pixels.
  PixelSize client_size(int dpi) const;

  bool shown() const { return shown_; }
  bool closed() const { return closed_; }
  void mark_shown();

  // Where the window goes now; remembered, so that a later read can tell whether it was moved.
  // Before it is first shown, a place where the user could not reach the window is brought into
  // view (see corner_in_view); the stored place then changes when the window closes, as any
  // move's does.
  PixelPlacement placement();
  PixelPoint placed() const { return placed_; }
  // Once the window's frame is known, a window brought into view is held wholly in view with it;
  // true where that moves where it is placed.
  bool refit_into_view();

  // Puts the window where placement() says; called whenever a shown window's geometry changes.
  virtual void apply_geometry() = 0;
  // Where the shown window's outer corner stands, or would stand again once restored.
  virtual PixelPoint outer_position() const = 0;
  // The monitors' work areas, in pixels, or none where they cannot be read.
  virtual std::vector<PixelRect> monitor_areas() const = 0;
  // The frame the window has, or will have once shown, at a density.
  virtual PixelFrame frame(int dpi) const = 0;
  // The monitors and their densities where each monitor has its own (Windows); none where the
  // whole desktop has one.
  virtual std::vector<ScaledMonitor> scaled_monitors() const { return {}; }

  // Where each monitor has its own density: lays the window out at the density of where it goes,
  // puts it there, and lays it out again at the density the system then gives it, where that
  // differs, sized for it where it stands.
  void place_window();
  // The toolkit's part of that: lay out every control at a density, and move and size the window.
  virtual void lay_out(int dpi) { use_dpi(dpi); }
  virtual void put_window(const PixelPlacement&) {}
  // The density the system gives the window where it stands.
  virtual int window_dpi() const { return dpi_; }

  // A user's click on the tick box: 0 goes to 1, 1 and greyed go to 0, then the click handler.
  void tick_box_clicked();

  template <class Handler>
  void dispatch(Handler&& handler) {
    if (failed_) return;
    const auto error = error_escaping(handler);
    if (!error) return;
    // Nothing more may run while the user reads the report.
    failed_ = true;
    report_and_exit(*error);
  }
  // The toolkit's part of a close: stop the timer and take the window down.
  virtual void end_window() = 0;
  // Stops the timer and tells the user; does not return.
  virtual void report_and_exit(const std::string& error) = 0;

 private:
  void geometry_changed();

  FormEvents* events_ = nullptr;
  int desktop_dpi_, dpi_;
  float left_twips_ = 0, top_twips_ = 0, width_twips_, height_twips_;
  PixelPoint placed_;
  bool moved_into_view_ = false;
  bool shown_ = false;
  bool failed_ = false;
  bool closed_ = false;
};

}  // namespace hv
