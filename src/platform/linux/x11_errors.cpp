#include "platform/linux/x11_errors.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/identity.h"

namespace hv::linux_backend {
namespace {

int report_x_error(Display* display, XErrorEvent* error) {
  char text[128] = "";
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "%s (request %d.%d, resource 0x%lx)\n", report_line(std::string("X error: ") + text).c_str(),
               error->request_code, error->minor_code, error->resourceid);
  return 0;
}

void (*g_last_action)(void*) = nullptr;
void* g_last_action_data = nullptr;

// Nothing can be shown any more: once the copy has stored what it last knew, it ends at once,
// without running exit handlers that would talk to the dead connection.
int report_lost_display(Display* display) {
  std::fprintf(stderr, "%s%s\n", report_line("error: lost the connection to the X server ").c_str(),
               DisplayString(display));
  std::fflush(stderr);
  if (const auto action = std::exchange(g_last_action, nullptr)) action(g_last_action_data);
  std::_Exit(1);
}

int drop_error(Display*, XErrorEvent*) { return 0; }

// Xlib's handler is one function for the whole connection, so what it needs is kept here: the
// request serial ranges whose errors are dropped, and the handler the others go to. Errors arrive
// late, so a range is kept until the server is known to have answered all of its requests.
struct SerialRange {
  unsigned long first = 0, end = 0;  // [first, end); end 0 while the range is open
};
std::vector<SerialRange> g_quiet_ranges;
int (*g_loud_handler)(Display*, XErrorEvent*) = nullptr;

int drop_quiet_errors(Display* display, XErrorEvent* error) {
  for (const SerialRange& range : g_quiet_ranges) {
    if (error->serial >= range.first && (range.end == 0 || error->serial < range.end)) return 0;
  }
  return g_loud_handler ? g_loud_handler(display, error) : 0;
}

void forget_answered_ranges(Display* display) {
  const unsigned long answered = LastKnownRequestProcessed(display);
  std::erase_if(g_quiet_ranges,
                [answered](const SerialRange& range) { return range.end != 0 && range.end <= answered + 1; });
}

}  // namespace

void report_x_errors() {
  XSetErrorHandler(report_x_error);
  XSetIOErrorHandler(report_lost_display);
}

void before_ending_on_lost_display(void (*action)(void*), void* data) {
  g_last_action = action, g_last_action_data = data;
}

void ignore_x_errors() { XSetErrorHandler(drop_error); }

ScopedXErrorTrap::ScopedXErrorTrap(Display* display) : display_(display) {
  XSync(display_, False);
  previous_ = XSetErrorHandler(drop_error);
}

ScopedXErrorTrap::~ScopedXErrorTrap() {
  XSync(display_, False);
  XSetErrorHandler(previous_);
}

QuietXRequests::QuietXRequests(Display* display) : display_(display) {
  if (!g_loud_handler) g_loud_handler = XSetErrorHandler(drop_quiet_errors);
  forget_answered_ranges(display_);
  g_quiet_ranges.push_back({NextRequest(display_), 0});
}

QuietXRequests::~QuietXRequests() {
  g_quiet_ranges.back().end = NextRequest(display_);
  XFlush(display_);
}

}  // namespace hv::linux_backend
