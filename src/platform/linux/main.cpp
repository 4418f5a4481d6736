// HV_TEST_PROCESS on Linux/X11: a dummy process that shows which file it was started from.
// Command-line arguments are ignored: testers give a dummy process whatever arguments they like.

#include <FL/Fl.H>
#include <FL/x.H>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/main_window_handlers.h"
#include "platform/linux/error_report.h"
#include "platform/linux/fltk_form.h"
#include "platform/linux/ini_file_store.h"
#include "platform/linux/lean_fonts.h"
#include "platform/linux/posix_process_info.h"
#include "platform/linux/screen_density.h"
#include "platform/linux/toolkit_options.h"
#include "platform/linux/x11_placement.h"
#include "platform/linux/x11_session.h"
#include "platform/linux/x11_startup.h"

namespace {

// The X server went away: nothing can be shown or stored any more, so say so and end at once,
// without running exit handlers that would talk to the dead connection.
int report_lost_display(Display* display) {
  std::fprintf(stderr, "HV_TEST_PROCESS: error: lost the connection to the X server %s\n",
               DisplayString(display));
  std::_Exit(1);
}

}  // namespace

int main() {
  using namespace hv::linux_backend;
  keep_toolkit_options_in_memory();
  use_lean_font_configuration();
  open_display_for_toolkit();
  // FLTK watches the root window's properties for work-area changes this fixed window never uses;
  // with many copies restacking each other every second, that woke every copy at each restack.
  XSelectInput(fl_display, DefaultRootWindow(fl_display), NoEventMask);
  XSetIOErrorHandler(report_lost_display);
  try {
    PosixProcessInfo process;
    IniFileStore store(config_home_from_environment());
    const X11Session session(fl_display);
    X11Placement placement(session);
    FltkForm form(session, dpi_from_resources(XResourceManagerString(fl_display)));
    hv::TestProcessMain handlers(form, store, process, placement);
    form.run(handlers);
  } catch (const std::exception& error) {
    report_error_and_exit(error.what());
  }
  return 0;
}
