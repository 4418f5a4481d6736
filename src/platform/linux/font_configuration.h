#pragma once

#include <fontconfig/fontconfig.h>

namespace hv::linux_backend {

// Puts this program's own font configuration in use: the system's font folders and caches, read
// without the system's dozens of XML files, and the window's faces pinned whatever else is
// installed. The toolkit matches its fonts among those faces' own only, which stays quick however
// many fonts a desktop has (Noto alone brings hundreds). Keeps the system's configuration where
// ours finds no font.
void use_program_font_configuration();

// The configuration that holds every font, for the characters the window's faces lack.
FcConfig* every_font_configuration();

}  // namespace hv::linux_backend
