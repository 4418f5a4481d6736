#include <gtest/gtest.h>
#include <windows.h>

#include <string_view>

#include "platform/windows/win32_placement.h"

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

// A window of the taskbar's class, on the primary monitor or another, is the shell's; a window of
// any other class is not. Message-only windows stand for them: these tests run with no display.
TEST(Win32Placement, KnowsTheTaskbarByItsClass) {
  Win32Placement placement;
  for (const wchar_t* name : {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"HV_OTHER_WINDOW"}) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.lpszClassName = name;
    RegisterClassW(&window_class);
    HWND window = CreateWindowExW(0, name, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(placement.belongs_to_shell(reinterpret_cast<WindowHandle>(window)), std::wstring_view(name) != L"HV_OTHER_WINDOW");
    DestroyWindow(window);
  }
  EXPECT_FALSE(placement.belongs_to_shell(kNoWindow));
}

}  // namespace
}  // namespace hv::windows_backend
