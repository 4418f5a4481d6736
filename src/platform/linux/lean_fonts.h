#pragma once

namespace hv::linux_backend {

// Gives fontconfig a small configuration of our own before anything asks for a font. The system's
// configuration is dozens of XML files whose parsing is most of what a start costs once the input
// method is out of the way; this window needs one family, Arial, and the toolkit's sans.
// Falls back to the system's configuration if ours cannot be loaded.
void use_lean_font_configuration();

}  // namespace hv::linux_backend
