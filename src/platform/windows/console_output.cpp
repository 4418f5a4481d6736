#include "platform/windows/console_output.h"

#include <type_traits>

#include "platform/windows/win32_text.h"
#include "platform/write_in_pieces.h"

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

// A console or a pipe may take part of a write, and a console refuses one larger than its buffer:
// the text goes in pieces until all of it is written.
int ConsoleOutput::sync() {
  if (pending_.empty() || !handle_ || handle_ == INVALID_HANDLE_VALUE) return 0;
  std::string lines;
  for (const char c : pending_) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
  pending_.clear();
  // Windows' write calls count in DWORDs; the pieces are far smaller than a DWORD holds.
  const auto in_pieces = [](const auto* text, std::size_t count, auto write) {
    using Unit = std::remove_cv_t<std::remove_pointer_t<decltype(text)>>;
    return write_in_pieces(text, count, [&](const Unit* piece, std::size_t size, std::size_t& written) {
      DWORD done = 0;
      const bool ok = write(piece, static_cast<DWORD>(size), &done);
      written = done;
      return ok;
    }) ? 0 : -1;
  };
  if (console_) {
    const std::wstring wide = widen(lines);
    return in_pieces(wide.data(), wide.size(), [this](const wchar_t* piece, DWORD size, DWORD* done) {
      return WriteConsoleW(handle_, piece, size, done, nullptr) != FALSE;
    });
  }
  return in_pieces(lines.data(), lines.size(), [this](const char* piece, DWORD size, DWORD* done) {
    return WriteFile(handle_, piece, size, done, nullptr) != FALSE;
  });
}

}  // namespace hv::windows_backend
