#pragma once

#include "platform/window_placement.h"

namespace hv::windows_backend {

// The two user32 calls, as they are but for the null handle, which fails without reaching user32.
class Win32Placement final : public WindowPlacement {
 public:
  WindowHandle GetForegroundWindow() override;
  bool SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;
  // Every window of the desktop's process (GetShellWindow): the taskbars, the notification area's
  // overflow, jump lists, the Win+X menu; and a taskbar by its class (Shell_TrayWnd,
  // Shell_SecondaryTrayWnd) where the shell runs in another process.
  bool belongs_to_shell(WindowHandle window) override;
  // The foreground thread is in menu mode (GetGUIThreadInfo).
  bool menu_open() override;
};

}  // namespace hv::windows_backend
