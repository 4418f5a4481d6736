#include "platform/windows/error_report.h"

#include <string>

#include "platform/windows/win32_text.h"

namespace hv::windows_backend {

void report_error_and_exit(std::string_view message, HWND owner) {
  const std::string line = "HV_TEST_PROCESS: error: " + std::string(message) + "\r\n";
  OutputDebugStringW(widen(line).c_str());
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  MessageBoxW(owner, widen(message).c_str(), L"HV_TEST_PROCESS", MB_OK | MB_ICONERROR);
  ExitProcess(1);
}

}  // namespace hv::windows_backend
