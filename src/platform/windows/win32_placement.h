#pragma once

#include "platform/window_placement.h"

namespace hv::windows_backend {

// The two user32 calls, as they are but for the null handle, which fails without reaching user32.
class Win32Placement final : public WindowPlacement {
 public:
  WindowHandle GetForegroundWindow() override;
  bool SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;
  // The desktop (GetShellWindow) and the taskbar on each monitor (Shell_TrayWnd,
  // Shell_SecondaryTrayWnd).
  bool belongs_to_shell(WindowHandle window) override;
};

}  // namespace hv::windows_backend
