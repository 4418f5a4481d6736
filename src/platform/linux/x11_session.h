#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/screen_geometry.h"

namespace hv::linux_backend {

// The display DISPLAY names, or why it cannot be opened: "cannot open the display ":0"", followed
// by the server's own words where it gave any ("Maximum number of clients reached"), which Xlib
// would otherwise print on a line of its own.
struct OpenedDisplay {
  Display* display = nullptr;
  std::string why;
};
OpenedDisplay open_display();

// Up to max_items 32-bit items of a window's property of the given type; none where it is absent,
// of another type, or the window is gone.
std::vector<unsigned long> property_items(Display* display, Window window, Atom property, Atom type, long max_items);

// A window's 8-bit text property of any type, up to 1 KB; empty where it is absent or the window is gone.
std::string property_text(Display* display, Window window, Atom property);

using FrameExtents = PixelFrame;

struct MonitorArea {
  PixelRect area;
  bool primary = false;
};

// The EWMH view of the session, with the window manager's presence read at start and again
// whenever its owner asks.
class X11Session {
 public:
  explicit X11Session(Display* display);

  Display* display() const { return display_; }
  Window root() const { return root_; }
  bool has_window_manager() const { return wm_check_ != None; }
  Window window_manager_check() const { return wm_check_; }
  // Reads the window manager's presence again: one may start after the copy or end before it.
  // Its check window, whose end tells that it went, or None.
  Window read_window_manager();

  // Whether the window manager lists the atom in _NET_SUPPORTED.
  bool supports(Atom atom) const;

  // _NET_ACTIVE_WINDOW of the root, or None.
  Window active_window() const;

  // _NET_FRAME_EXTENTS of a client window, or nullopt while the window manager has set none.
  std::optional<FrameExtents> frame_extents(Window window) const;

  // Each monitor (the whole screen where none is given) cut to the window manager's work area,
  // which most give as one box around every monitor; monitors left with nothing are left out.
  std::vector<MonitorArea> in_work_area(std::vector<MonitorArea> monitors) const;

  // The top-left corner of a window's client area on the root window.
  void client_origin(Window window, int& x, int& y) const;

  // EWMH _NET_WM_STATE request: action 0 removes, 1 adds.
  void request_wm_state(Window window, long action, Atom state) const;

  // Raises a window to the top of its layer without activating it.
  void raise(Window window) const;

  Atom net_wm_state_above() const { return net_wm_state_above_; }
  Atom net_frame_extents() const { return net_frame_extents_; }
  Atom net_wm_state() const { return net_wm_state_; }
  Atom wm_state() const { return wm_state_; }

 private:
  Display* display_;
  Window root_;
  Atom net_supporting_wm_check_, net_active_window_, net_frame_extents_,
      net_wm_state_, net_wm_state_above_, net_restack_window_, wm_state_;
  Window wm_check_ = None;
};

}  // namespace hv::linux_backend
