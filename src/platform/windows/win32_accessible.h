#pragma once

#include <windows.h>

#include "ui/controls.h"

namespace hv::windows_backend {

// Gives a control the name, role and description the design gives it, for MSAA clients and for UI
// Automation through its MSAA proxy: the control answers WM_GETOBJECT with the system's own
// accessible object for it, with those three told as the design says. oleacc.dll is loaded only
// when a client first asks.
void serve_accessibility(HWND control, const ui::Control& design);

}  // namespace hv::windows_backend
