#include <gtest/gtest.h>
#include <windows.h>

#include <string_view>

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

// A window of the taskbar's class, on the primary monitor or another, is the shell's; a window of
// any other class is not.
TEST(Win32Placement, KnowsTheTaskbarByItsClass) {
  for (const wchar_t* name : {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"HV_OTHER_WINDOW"}) {
    HWND window = make_window(name);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Win32Placement().belongs_to_shell(reinterpret_cast<WindowHandle>(window)), std::wstring_view(name) != L"HV_OTHER_WINDOW");
    DestroyWindow(window);
  }
  EXPECT_FALSE(Win32Placement().belongs_to_shell(kNoWindow));
}

// Every window of the shell's process is the shell's: the notification area's overflow, jump lists,
// the Win+X menu. This process stands in for the shell, its first window made the shell window.
TEST(Win32Placement, KnowsEveryWindowOfTheShellsProcess) {
  HWND desktop = make_window(L"HV_SHELL_STAND_IN"), popup = make_window(L"HV_SHELL_STAND_IN");
  ASSERT_TRUE(desktop && popup);
  EXPECT_FALSE(Win32Placement().belongs_to_shell(reinterpret_cast<WindowHandle>(popup))) << "no shell yet";
  ASSERT_TRUE(SetShellWindow(desktop));
  EXPECT_TRUE(Win32Placement().belongs_to_shell(reinterpret_cast<WindowHandle>(popup)));
  DestroyWindow(popup), DestroyWindow(desktop);
}

// The keeper is told while a menu is open in the window in front, and only then.
TEST(Win32Placement, KnowsAMenuIsOpen) {
  static bool seen_open = false;
  HWND owner = make_window(L"HV_MENU_OWNER", [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
    if (message == WM_ENTERIDLE && w == MSGF_MENU) seen_open = Win32Placement().menu_open(), EndMenu();
    return DefWindowProcW(window, message, w, l);
  });
  ASSERT_NE(owner, nullptr);
  SetForegroundWindow(owner);
  EXPECT_FALSE(Win32Placement().menu_open());
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 1, L"One");
  TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, owner, nullptr);
  EXPECT_TRUE(seen_open);
  EXPECT_FALSE(Win32Placement().menu_open());
  DestroyMenu(menu), DestroyWindow(owner);
}

}  // namespace
}  // namespace hv::windows_backend
