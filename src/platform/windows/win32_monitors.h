#pragma once

#include <windows.h>

#include <vector>

namespace hv::windows_backend {

// A monitor as the program sees it: its whole rectangle, its work area (less the taskbar) and its
// density, in real pixels, as the manifest's per-monitor awareness makes them.
struct Win32Monitor {
  RECT whole, work;
  UINT dpi;
  bool primary;
};

// Every monitor; one whose density cannot be read has the system's.
std::vector<Win32Monitor> read_monitors();

}  // namespace hv::windows_backend
