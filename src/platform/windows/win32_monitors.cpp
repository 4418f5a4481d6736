#include "platform/windows/win32_monitors.h"

#include <shellscalingapi.h>

namespace hv::windows_backend {

std::vector<Win32Monitor> read_monitors() {
  std::vector<Win32Monitor> monitors;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM found) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (!GetMonitorInfoW(monitor, &info)) return TRUE;
        UINT dpi_x = 0, dpi_y = 0;
        if (FAILED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y)) || dpi_y == 0) dpi_y = GetDpiForSystem();
        reinterpret_cast<std::vector<Win32Monitor>*>(found)->push_back(
            {info.rcMonitor, info.rcWork, dpi_y, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

}  // namespace hv::windows_backend
