#pragma once

#include "platform/form.h"
#include "platform/window_placement.h"

namespace hv {

// One tick of the always-on-top keeper: unless this window has the foreground, push the foreground
// window out of the topmost band, unless it is the shell's, and put this window into it; nothing
// while a menu is open.
// Placement failures are ignored.
void keep_on_top(const Form& form, WindowPlacement& placement);

}  // namespace hv
