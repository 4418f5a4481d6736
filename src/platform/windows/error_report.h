#pragma once

#include <windows.h>

#include <string_view>

namespace hv::windows_backend {

// Tells the user that an error ended the program: stderr where one is attached, the debugger's
// output, then a modal message box; exits with status 1 once it is dismissed.
[[noreturn]] void report_error_and_exit(std::string_view message, HWND owner);

}  // namespace hv::windows_backend
