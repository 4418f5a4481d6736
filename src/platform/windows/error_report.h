#pragma once

#include <windows.h>

#include <string_view>

namespace hv::windows_backend {

// One line for whoever watches: the debugger's output, and stderr where one is attached.
void write_report_line(std::string_view line);

// Tells the user that an error ended the program: stderr where one is attached, the debugger's
// output, then a modal message box; exits with status 1 once it is dismissed.
[[noreturn]] void report_error_and_exit(std::string_view message, HWND owner);

}  // namespace hv::windows_backend
