#include <gtest/gtest.h>
#include <windows.h>

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

}  // namespace
}  // namespace hv::windows_backend
