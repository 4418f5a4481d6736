#include "platform/linux/x11_startup.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace hv::linux_backend {
namespace {

// Every atom FLTK and this program intern before the first frame. Asked for in one batch, they
// cost one wait for the server instead of one each: Xlib keeps the answers and FLTK's own
// XInternAtom calls find them there.
const char* const kAtoms[] = {
    "WM_DELETE_WINDOW", "WM_PROTOCOLS", "_MOTIF_WM_HINTS", "TARGETS", "CLIPBOARD", "TIMESTAMP",
    "PRIMARY_TIMESTAMP", "CLIPBOARD_TIMESTAMP", "XdndAware", "XdndSelection", "XdndEnter",
    "XdndTypeList", "XdndPosition", "XdndLeave", "XdndDrop", "XdndStatus", "XdndActionCopy",
    "XdndFinished", "text/uri-list", "text/plain;charset=UTF-8", "text/plain;charset=utf-8",
    "text/plain", "TEXT", "COMPOUND_TEXT", "UTF8_STRING", "image/bmp", "image/png", "INCR",
    "_NET_WM_PID", "_NET_WM_NAME", "_NET_WM_ICON_NAME", "_NET_SUPPORTING_WM_CHECK",
    "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN", "_NET_WM_FULLSCREEN_MONITORS", "_NET_WORKAREA",
    "_NET_WM_ICON", "_NET_ACTIVE_WINDOW", "_NET_SUPPORTED", "_NET_FRAME_EXTENTS",
    "_NET_WM_STATE_ABOVE", "_NET_RESTACK_WINDOW", "WM_LOCALE_NAME"};

// An X error of a request outside the keeper's (whose errors are dropped where they are made) is
// reported in one line; it must never end a copy, as Xlib's own handler would.
int report_x_error(Display* display, XErrorEvent* error) {
  char text[128] = "";
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "HV_TEST_PROCESS: X error: %s (request %d.%d, resource 0x%lx)\n", text,
               error->request_code, error->minor_code, error->resourceid);
  return 0;
}

void ignore_warning(const char*, ...) {}

}  // namespace

Display* open_display_for_toolkit() {
  std::setlocale(LC_CTYPE, "");
  // Nothing here takes typed text. Naming an input method server that does not exist makes the
  // input method fail to open at once, so FLTK never builds the preedit font set it would need,
  // which costs a round trip for every character set of the locale.
  XSetLocaleModifiers("@im=HV_TEST_PROCESS_takes_no_typing");
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "HV_TEST_PROCESS: error: cannot open the display \"%s\"\n", XDisplayName(nullptr));
    std::exit(1);
  }
  XSetErrorHandler(report_x_error);
  Atom atoms[std::size(kAtoms)];
  XInternAtoms(display, const_cast<char**>(kAtoms), static_cast<int>(std::size(kAtoms)), False, atoms);
  // FLTK warns that the input method did not open; that is intended here, so the warning is held
  // back while the display opens, and only then.
  const auto warning = Fl::warning;
  Fl::warning = ignore_warning;
  fl_open_display(display);
  Fl::warning = warning;
  return display;
}

}  // namespace hv::linux_backend
