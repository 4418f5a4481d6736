#include "ontop/keeper.h"

namespace hv {

void keep_on_top(const Form& form, WindowPlacement& placement) {
  constexpr unsigned kFlags = kSwpNoSize | kSwpNoMove;
  const WindowHandle self = form.handle();
  if (placement.GetForegroundWindow() == self) return;
  // The foreground is asked for again: it may have changed, and the user32 original does so too.
  const WindowHandle foreground = placement.GetForegroundWindow();
  if (foreground != kNoWindow) {
    placement.SetWindowPos(foreground, kHwndNoTopmost, 0, 0, 0, 0, kFlags);
  }
  placement.SetWindowPos(form.handle(), kHwndTopmost, 0, 0, 0, 0, kFlags);
}

}  // namespace hv
