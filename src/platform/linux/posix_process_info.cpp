#include "platform/linux/posix_process_info.h"

#include <langinfo.h>
#include <locale.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/identity.h"

namespace hv::linux_backend {
namespace {

// The user's LC_NUMERIC radix, read without changing the process's own locale (which would change
// how Xlib and FLTK parse numbers).
char user_decimal_separator() {
  char separator = '.';
  if (locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0))) {
    const char* radix = ::nl_langinfo_l(RADIXCHAR, user);
    if (radix && radix[0] != '\0' && radix[1] == '\0') separator = radix[0];
    ::freelocale(user);
  }
  return separator;
}

std::string self_exe_path() {
  std::string path(4096, '\0');
  const ssize_t got = ::readlink("/proc/self/exe", path.data(), path.size());
  path.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return path;
}

}  // namespace

PosixProcessInfo::PosixProcessInfo() : decimal_separator_(user_decimal_separator()) {}

// The path given to execve keeps the name of a link or hard link the tester started; argv[0] can
// be anything and /proc/self/exe resolves links.
std::string PosixProcessInfo::executable_name() {
  const auto* exec_path = reinterpret_cast<const char*>(::getauxval(AT_EXECFN));
  std::string name = exec_path ? executable_name_from_path(exec_path) : std::string();
  if (name.empty()) name = executable_name_from_path(self_exe_path());
  return name;
}

void PosixProcessInfo::warn(std::string_view line) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
  std::fflush(stderr);
}

}  // namespace hv::linux_backend
