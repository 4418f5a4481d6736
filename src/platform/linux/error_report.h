#pragma once

#include <string_view>

namespace hv::linux_backend {

// Tells the user that an error ended the program: one line on stderr, then, where the display can
// still show one, a modal message box; exits with status 1 once it is dismissed.
[[noreturn]] void report_error_and_exit(std::string_view message, bool display_usable = true);

}  // namespace hv::linux_backend
