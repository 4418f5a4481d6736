#include <gtest/gtest.h>
#include <windows.h>

#include "platform/windows/win32_placement.h"

// user32 exports it for shells; the SDK's headers leave it out.
extern "C" __declspec(dllimport) BOOL WINAPI SetShellWindow(HWND window);

namespace hv::windows_backend {
namespace {

// With no window in front the keeper passes the null handle: both calls fail as an invalid window
// would, before anything reaches user32.
TEST(Win32Placement, TheNullHandleFails) {
  Win32Placement placement;
  for (const std::intptr_t band : {kHwndNoTopmost, kHwndTopmost}) {
    SetLastError(0);
    EXPECT_FALSE(placement.SetWindowPos(kNoWindow, band, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  }
}

// A top-level window of a class of its own, on the private display the suite runs on.
HWND make_window(const wchar_t* name, WNDPROC procedure = DefWindowProcW) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = procedure;
  window_class.lpszClassName = name;
  RegisterClassW(&window_class);
  return CreateWindowExW(0, name, L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
}

// A taskbar on any monitor is the shell's by its class, and every window of the shell's process by
// that process (the notification area's overflow, jump lists, the Win+X menu). This process stands
// in for the shell, one of its windows made the shell window.
TEST(Win32Placement, KnowsTheShellsWindowsByTheirProcessAndTheTaskbarsByTheirClass) {
  const auto shells = [](HWND window) { return Win32Placement().belongs_to_shell(reinterpret_cast<WindowHandle>(window)); };
  HWND tray = make_window(L"Shell_TrayWnd"), second = make_window(L"Shell_SecondaryTrayWnd"),
       desktop = make_window(L"HV_SHELL_STAND_IN"), popup = make_window(L"HV_SHELL_STAND_IN");
  ASSERT_TRUE(tray && second && desktop && popup);
  EXPECT_TRUE(shells(tray) && shells(second));
  EXPECT_FALSE(shells(popup)) << "no shell yet";
  ASSERT_TRUE(SetShellWindow(desktop));
  EXPECT_TRUE(shells(popup));
  EXPECT_FALSE(shells(nullptr));
  for (HWND window : {tray, second, popup, desktop}) DestroyWindow(window);
}

// The keeper is told while a menu is open in the window in front, and only then.
TEST(Win32Placement, KnowsAMenuIsOpen) {
  static bool seen_open = false;
  HWND owner = make_window(L"HV_MENU_OWNER", [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
    if (message == WM_ENTERIDLE && w == MSGF_MENU) seen_open = Win32Placement().menu_open(), EndMenu();
    return DefWindowProcW(window, message, w, l);
  });
  ASSERT_NE(owner, nullptr);
  EXPECT_FALSE(Win32Placement().menu_open());
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 1, L"One"), SetForegroundWindow(owner);
  TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, owner, nullptr);
  EXPECT_TRUE(seen_open);
  EXPECT_FALSE(Win32Placement().menu_open());
  DestroyMenu(menu), DestroyWindow(owner);
}

}  // namespace
}  // namespace hv::windows_backend
