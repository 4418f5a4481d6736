#include "ontop/keeper.h"

namespace hv {

void keep_on_top(const Form& form, WindowPlacement& placement) {
  constexpr unsigned kFlags = SWP_NOSIZE | SWP_NOMOVE;
  const WindowHandle self = form.handle();
  if (placement.GetForegroundWindow() == self) return;
  // The foreground is asked for again: it may have changed, and the user32 original does so too.
  const WindowHandle foreground = placement.GetForegroundWindow();
  if (foreground != kNoWindow) {
    placement.SetWindowPos(foreground, HWND_NOTOPMOST, 0, 0, 0, 0, kFlags);
  }
  placement.SetWindowPos(form.handle(), HWND_TOPMOST, 0, 0, 0, 0, kFlags);
}

}  // namespace hv
