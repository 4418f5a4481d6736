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

// A console or a pipe may take part of a write; the rest is written until all of it is.
int ConsoleOutput::sync() {
  if (pending_.empty() || !handle_ || handle_ == INVALID_HANDLE_VALUE) return 0;
  std::string lines;
  for (const char c : pending_) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
  pending_.clear();
  const auto write_all = [](const auto* text, std::size_t count, auto write) {
    while (count > 0) {
      DWORD written = 0;
      if (!write(text, static_cast<DWORD>(count), &written) || written == 0) return -1;
      text += written, count -= written;
    }
    return 0;
  };
  if (console_) {
    const std::wstring wide = widen(lines);
    return write_all(wide.data(), wide.size(), [this](const wchar_t* text, DWORD count, DWORD* written) {
      return WriteConsoleW(handle_, text, count, written, nullptr);
    });
  }
  return write_all(lines.data(), lines.size(), [this](const char* text, DWORD count, DWORD* written) {
    return WriteFile(handle_, text, count, written, nullptr);
  });
}

}  // namespace hv::windows_backend
