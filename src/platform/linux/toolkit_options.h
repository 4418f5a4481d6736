#pragma once

namespace hv::linux_backend {

// Gives the toolkit's global options their defaults in memory before anything asks for one, so
// that it never reads or writes its option files. Call before the display is opened.
void keep_toolkit_options_in_memory();

}  // namespace hv::linux_backend
