#pragma once

#include "platform/window_placement.h"

namespace hv::windows_backend {

// The two user32 calls, as they are but for the null handle, which fails without reaching user32.
class Win32Placement final : public WindowPlacement {
 public:
  WindowHandle GetForegroundWindow() override;
  bool SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;
};

}  // namespace hv::windows_backend
