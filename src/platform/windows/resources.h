#pragma once

// Resource ids shared by the resource script and the code: macros, since the resource compiler
// knows no C++.
#define HV_APP_ICON 1
#define HV_THUMBS_UP_BITMAP 101
