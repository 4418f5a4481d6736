// HV_TEST_PROCESS on Windows: a dummy process that shows which file it was started from.
// The command line is ignored: testers give a dummy process whatever arguments they like.

#include <windows.h>

#include <cstdlib>
#include <exception>

#include "app/main_window_handlers.h"
#include "platform/windows/error_report.h"
#include "platform/windows/registry_store.h"
#include "platform/windows/win32_form.h"
#include "platform/windows/win32_placement.h"
#include "platform/windows/win32_process_info.h"

// Every error is reported before it could reach std::terminate; the library's own terminate
// handler would only add its symbol demangler, a sixth of the program's size.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace hv::windows_backend;
  try {
    Win32ProcessInfo process;
    RegistryStore store;
    Win32Placement placement;
    Win32Form form(instance);
    hv::TestProcessMain handlers(form, store, process, placement);
    form.run(handlers);
  } catch (const std::exception& error) {
    report_error_and_exit(error.what(), nullptr);
  }
  return 0;
}
