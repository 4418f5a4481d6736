#include "platform/linux/error_report.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/identity.h"
#include "platform/linux/termination_signals.h"

namespace hv::linux_backend {
namespace {
ErrorBoxWatcher* error_box_watcher = nullptr;
}  // namespace

void watch_error_box(ErrorBoxWatcher* watcher) { error_box_watcher = watcher; }

void report_error_and_exit(std::string_view message, bool display_usable) {
  const std::string text(message);
  std::fprintf(stderr, "%s\n", report_line("error: " + text).c_str());
  std::fflush(stderr);
  if (!display_usable) std::_Exit(1);
  end_at_next_termination_signal();
  fl_message_title(std::string(kApplication).c_str());
  if (error_box_watcher) error_box_watcher->error_box_shown(text);
  fl_alert("%s", text.c_str());
  std::exit(1);
}

}  // namespace hv::linux_backend
