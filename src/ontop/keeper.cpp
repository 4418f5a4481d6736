#include "ontop/keeper.h"

namespace hv {

void keep_on_top(const Form& form, WindowPlacement& placement) {
  constexpr unsigned kFlags = kSwpNoSize | kSwpNoMove;
  const WindowHandle self = form.handle();
  // An open menu closes when its window leaves the band or another window covers it.
  if (placement.menu_open() || placement.GetForegroundWindow() == self) return;
  // The foreground is asked for again, since it may have changed since the first question and it
  // is the window in front now that must leave the band. With none in front the call is still
  // made: the null handle makes it fail without touching any window, and its result is ignored.
  // The taskbar, the desktop and their popups are the shell's, not windows the tester works with:
  // out of the band, the taskbar would let ordinary windows cover it. They keep their band.
  const WindowHandle front = placement.GetForegroundWindow();
  if (!placement.belongs_to_shell(front)) placement.SetWindowPos(front, kHwndNoTopmost, 0, 0, 0, 0, kFlags);
  placement.SetWindowPos(form.handle(), kHwndTopmost, 0, 0, 0, 0, kFlags);
}

}  // namespace hv
