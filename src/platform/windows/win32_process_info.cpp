#include "platform/windows/win32_process_info.h"

#include <windows.h>

#include <string>

#include "app/identity.h"
#include "platform/windows/error_report.h"
#include "platform/windows/win32_text.h"

namespace hv::windows_backend {
namespace {

char user_decimal_separator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) == 2 &&
      separator[0] > 0 && separator[0] < 0x80) {
    return static_cast<char>(separator[0]);
  }
  return '.';
}

// The full path, however long: GetModuleFileNameW truncates silently when the buffer is short.
std::wstring module_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

Win32ProcessInfo::Win32ProcessInfo() : decimal_separator_(user_decimal_separator()) {}

std::string Win32ProcessInfo::executable_name() {
  return executable_name_from_path(narrow(module_path()));
}

void Win32ProcessInfo::warn(std::string_view line) { write_report_line(line); }

}  // namespace hv::windows_backend
