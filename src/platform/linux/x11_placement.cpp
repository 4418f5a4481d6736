#include "platform/linux/x11_placement.h"

#include "platform/linux/x11_errors.h"

namespace hv::linux_backend {
namespace {

constexpr long kRemove = 0;
constexpr long kAdd = 1;

}  // namespace

WindowHandle X11Placement::GetForegroundWindow() {
  constexpr auto kMoment = std::chrono::milliseconds(50);
  Display* display = session_.display();
  const auto now = std::chrono::steady_clock::now();
  if (NextRequest(display) != answered_before_ || now - answered_at_ > kMoment) {
    foreground_ = static_cast<WindowHandle>(session_.active_window());
    answered_before_ = NextRequest(display);
    answered_at_ = now;
  }
  return foreground_;
}

// Only the band changes: position, size and flags have no X11 counterpart to honour, since the
// requests below never move, resize or activate a window. The window may be gone by now; any
// error of these requests is dropped when it arrives rather than awaited, since waiting for the
// server every second in every copy is what an idle copy would mostly spend its time on. So a
// failure is not seen here, and the keeper ignores failures anyway.
bool X11Placement::SetWindowPos(WindowHandle window, std::intptr_t insert_after, int, int, int,
                                int, unsigned) {
  if (window == kNoWindow) return false;
  const auto xid = static_cast<Window>(window);
  QuietXRequests quiet(session_.display());
  if (insert_after == kHwndTopmost) {
    session_.request_wm_state(xid, kAdd, session_.net_wm_state_above());
    session_.raise(xid);
  } else if (insert_after == kHwndNoTopmost) {
    session_.request_wm_state(xid, kRemove, session_.net_wm_state_above());
  }
  return true;
}

}  // namespace hv::linux_backend
