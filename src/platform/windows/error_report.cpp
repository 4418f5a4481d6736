#include "platform/windows/error_report.h"

#include <string>

#include "app/identity.h"
#include "platform/windows/win32_text.h"

namespace hv::windows_backend {

void write_report_line(std::string_view line) {
  const std::string text = std::string(line) + "\r\n";
  OutputDebugStringW(widen(text).c_str());
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

void report_error_and_exit(std::string_view message, HWND owner) {
  write_report_line(report_line("error: " + std::string(message)));
  MessageBoxW(owner, widen(message).c_str(), widen(kApplication).c_str(), MB_OK | MB_ICONERROR);
  ExitProcess(1);
}

}  // namespace hv::windows_backend
