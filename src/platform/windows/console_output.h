#pragma once

#include <windows.h>

#include <streambuf>
#include <string>

namespace hv::windows_backend {

// A standard output of this process taking UTF-8 text: written to a console as UTF-16 through
// WriteConsoleW, whatever the console's code page, so names in any script read right there; to a
// file or a pipe as UTF-8 bytes. Lines end with CR LF either way, as Windows' own tools end them.
class ConsoleOutput final : public std::streambuf {
 public:
  explicit ConsoleOutput(DWORD which);  // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE
  ~ConsoleOutput() override { sync(); }
  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  HANDLE handle_;
  bool console_;
  std::string pending_;
};

}  // namespace hv::windows_backend
