#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace hv::windows_backend {

// The core speaks UTF-8; Windows speaks UTF-16. Invalid input becomes U+FFFD, never an error.
std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);

// The system's own words for an error code, without the trailing line break.
std::string system_message(DWORD error);

}  // namespace hv::windows_backend
