#pragma once

#include <cstdint>

#include "platform/window_handle.h"

namespace hv {

// Z-order placement of top-level windows, shaped after user32's two calls.
class WindowPlacement {
 public:
  virtual ~WindowPlacement() = default;

  // The window that has the foreground, or kNoWindow.
  virtual WindowHandle GetForegroundWindow() = 0;

  // Places a window in z-order; returns false on failure (a vanished window, say).
  virtual bool SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx,
                            int cy, unsigned flags) = 0;

  // Whether the window is one of the desktop shell's own: the taskbar, the desktop itself, their
  // popups.
  virtual bool belongs_to_shell(WindowHandle window) = 0;

  // Whether a menu is open in the window in front (a taskbar's, an application's).
  virtual bool menu_open() = 0;
};

// user32's own values, so the keeper reads as it would on Windows.
inline constexpr std::intptr_t kHwndTopmost = -1;
inline constexpr std::intptr_t kHwndNoTopmost = -2;
inline constexpr unsigned kSwpNoSize = 0x0001;
inline constexpr unsigned kSwpNoMove = 0x0002;

}  // namespace hv
