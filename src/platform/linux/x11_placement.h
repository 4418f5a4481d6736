#pragma once

#include "platform/linux/x11_session.h"
#include "platform/window_placement.h"

namespace hv::linux_backend {

// user32's topmost band on X11: the foreground is _NET_ACTIVE_WINDOW, the band is
// _NET_WM_STATE_ABOVE, and entering it also raises the window above others in the band.
class X11Placement final : public WindowPlacement {
 public:
  explicit X11Placement(const X11Session& session) : session_(session) {}

  WindowHandle GetForegroundWindow() override;
  bool SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;
  // X11 desktops keep their panels in a layer of their own, which the keeper never asks about.
  bool belongs_to_shell(WindowHandle) override { return false; }

 private:
  const X11Session& session_;
};

}  // namespace hv::linux_backend
