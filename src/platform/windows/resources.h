#pragma once

// Resource ids shared by the resource script and the code.
#define kAppIcon 1
#define kThumbsUpBitmap 101
