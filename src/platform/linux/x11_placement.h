#pragma once

#include <chrono>

#include "platform/linux/x11_session.h"
#include "platform/window_placement.h"

namespace hv::linux_backend {

// user32's topmost band on X11: the foreground is _NET_ACTIVE_WINDOW, the band is
// _NET_WM_STATE_ABOVE, and entering it also raises the window above others in the band.
// The foreground asked for again within the same moment, nothing else asked of the server in
// between, is the answer the server has just given: a tick then waits for it once, not twice.
class X11Placement final : public WindowPlacement {
 public:
  explicit X11Placement(const X11Session& session) : session_(session) {}

  WindowHandle GetForegroundWindow() override;
  bool SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;
  // X11 desktops keep their panels in a layer of their own, which the keeper never asks about.
  bool belongs_to_shell(WindowHandle) override { return false; }
  // An X11 menu is an override-redirect window, which neither the band nor a window manager's
  // restacking reaches.
  bool menu_open() override { return false; }

 private:
  const X11Session& session_;
  WindowHandle foreground_ = kNoWindow;
  unsigned long answered_before_ = 0;  // the request number that followed the last question
  std::chrono::steady_clock::time_point answered_at_;
};

}  // namespace hv::linux_backend
