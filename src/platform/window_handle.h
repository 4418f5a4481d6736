#pragma once

#include <cstdint>

namespace hv {

// An opaque top-level window handle (an X window id or an HWND); 0 means none.
using WindowHandle = std::uintptr_t;
inline constexpr WindowHandle kNoWindow = 0;

}  // namespace hv
