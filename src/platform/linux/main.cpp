// HV_TEST_PROCESS on Linux/X11: a dummy process that shows which file it was started from.
// Command-line arguments are ignored: testers give a dummy process whatever arguments they like.

#include <exception>

#include "app/main_window_handlers.h"
#include "platform/linux/accessibility/accessibility_switch.h"
#include "platform/linux/error_report.h"
#include "platform/linux/fltk_form.h"
#include "platform/linux/fltk_start.h"
#include "platform/linux/ini_file_store.h"
#include "platform/linux/posix_process_info.h"
#include "platform/linux/screen_density.h"
#include "platform/linux/x11_placement.h"
#include "platform/linux/x11_session.h"

int main() {
  using namespace hv::linux_backend;
  Display* const display = start_toolkit();
  try {
    PosixProcessInfo process;
    IniFileStore store(config_home_from_environment());
    X11Session session(display);
    X11Placement placement(session);
    FltkForm form(session, dpi_from_resources(XResourceManagerString(display)));
    hv::TestProcessMain handlers(form, store, process, placement);
    AccessibilitySwitch accessibility(form, process.executable_name());
    form.run(handlers);
  } catch (const std::exception& error) {
    report_error_and_exit(error.what());
  }
  return 0;
}
