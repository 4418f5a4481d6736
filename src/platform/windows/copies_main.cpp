// hv-copies on Windows: starts, lists and politely stops named copies of the program.

#include <windows.h>

#include <ostream>

#include "copies/copies_tool.h"
#include "platform/windows/console_output.h"
#include "platform/windows/win32_copies_system.h"
#include "platform/windows/win32_text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.push_back(hv::windows_backend::narrow(argv[i]));
  hv::windows_backend::ConsoleOutput out_text(STD_OUTPUT_HANDLE), err_text(STD_ERROR_HANDLE);
  std::ostream out(&out_text), err(&err_text);
  // Each report reaches a script in its place among the lines on stdout, and is not lost to Ctrl+C.
  err << std::unitbuf;
  hv::windows_backend::Win32CopiesSystem system;
  return hv::copies::run_copies_tool(words, system, out, err);
}
