#include "platform/windows/win32_placement.h"

#include <windows.h>

namespace hv::windows_backend {

WindowHandle Win32Placement::GetForegroundWindow() {
  return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

bool Win32Placement::SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y,
                                  int cx, int cy, unsigned flags) {
  // With no window in front the keeper passes the null handle; it must fail and touch nothing.
  if (window == kNoWindow) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  return ::SetWindowPos(reinterpret_cast<HWND>(window), reinterpret_cast<HWND>(insert_after), x, y,
                        cx, cy, flags) != FALSE;
}

}  // namespace hv::windows_backend
