#include "platform/windows/console_output.h"

#include "platform/windows/win32_text.h"

namespace hv::windows_backend {

ConsoleOutput::ConsoleOutput(DWORD which) : handle_(GetStdHandle(which)) {
  DWORD mode = 0;
  console_ = handle_ && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
}

ConsoleOutput::int_type ConsoleOutput::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  return c;
}

std::streamsize ConsoleOutput::xsputn(const char* text, std::streamsize count) {
  pending_.append(text, static_cast<std::size_t>(count));
  return count;
}

int ConsoleOutput::sync() {
  if (pending_.empty() || !handle_ || handle_ == INVALID_HANDLE_VALUE) return 0;
  std::string lines;
  for (const char c : pending_) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
  pending_.clear();
  DWORD written = 0;
  if (console_) {
    const std::wstring wide = widen(lines);
    return WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) ? 0 : -1;
  }
  return WriteFile(handle_, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) ? 0 : -1;
}

}  // namespace hv::windows_backend
