#include "platform/windows/win32_placement.h"

#include <windows.h>

#include <string_view>

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

bool Win32Placement::belongs_to_shell(WindowHandle window) {
  const HWND hwnd = reinterpret_cast<HWND>(window);
  if (!hwnd) return false;
  const HWND shell = GetShellWindow();
  DWORD shell_process = 0, process = 0;
  if (shell && GetWindowThreadProcessId(shell, &shell_process) && GetWindowThreadProcessId(hwnd, &process) &&
      process == shell_process) {
    return true;
  }
  wchar_t name[32] = L"";
  GetClassNameW(hwnd, name, 32);
  return std::wstring_view(name) == L"Shell_TrayWnd" || std::wstring_view(name) == L"Shell_SecondaryTrayWnd";
}

bool Win32Placement::menu_open() {
  GUITHREADINFO foreground{};
  foreground.cbSize = sizeof foreground;
  return GetGUIThreadInfo(0, &foreground) && (foreground.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE));
}

}  // namespace hv::windows_backend
