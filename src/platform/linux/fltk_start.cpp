#include "platform/linux/fltk_start.h"

#include <FL/Fl.H>
#define FL_INTERNALS  // for fl_xftfont, read only with the FLTK version below
#include <FL/x.H>
#undef FL_INTERNALS

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "app/identity.h"
#include "platform/linux/font_configuration.h"
#include "platform/linux/x11_errors.h"
#include "platform/linux/x11_session.h"

// How this program starts FLTK, all in one place. One measure is needed for correct behaviour:
//   - the toolkit's options are preset in memory, so it never writes its option files.
// The others make a start cheaper, which matters when a tester starts hundreds of copies:
//   - a small font configuration of our own (font_configuration.cpp);
//   - no input method (nothing here takes typed text), so no preset font set per character set;
//   - every atom FLTK asks for interned in one batch, one wait for the server instead of one each;
//   - FLTK's watch on the root window's properties undone, which woke every copy at each restack.
// One more of FLTK's insides is read elsewhere: the Xft font it draws with (toolkit_xft_font()), so
// that characters that font lacks can be drawn from another.
// All but the font configuration lean on FLTK's insides as of the version CMake names in
// HV_FLTK_LEAN_START_FOR; built against any other, the program starts FLTK its plain way, slower
// and writing FLTK's option files, and CMake says so.
#if defined(HV_FLTK_LEAN_START_FOR) && FL_API_VERSION == HV_FLTK_LEAN_START_FOR
#define HV_FLTK_LEAN_START 1
#else
#define HV_FLTK_LEAN_START 0
#endif

namespace hv::linux_backend {
namespace {

#if HV_FLTK_LEAN_START

// The first time any option is asked for, FLTK reads the system's and the user's option files
// (/etc/fltk/fltk.org/fltk.prefs, ~/.fltk/fltk.org/fltk.prefs) and writes both back, creating the
// folders: every start would leave a toolkit folder in the tester's home and, as root, a file in
// /etc that no package owns. Setting an option reads the files first, so FLTK offers no way round
// it. Its option table and the flag that says it has been read are private; an explicit
// instantiation may name private members, which is the narrowest door to them.
void preset_options();

template <unsigned char* Options, unsigned char* Read>
struct OptionTable {
  friend void preset_options() {
    // FLTK's own defaults: visible keyboard focus (and so keyboard navigation), text drag-and-drop,
    // tooltips and GTK file dialogs on; arrow keys leaving a text field off.
    Options[Fl::OPTION_ARROW_FOCUS] = 0;
    Options[Fl::OPTION_VISIBLE_FOCUS] = 1;
    Options[Fl::OPTION_DND_TEXT] = 1;
    Options[Fl::OPTION_SHOW_TOOLTIPS] = 1;
    Options[Fl::OPTION_FNFC_USES_GTK] = 1;
    *Read = 1;
  }
};

template struct OptionTable<Fl::options_, &Fl::options_read_>;

// Every atom FLTK and this program intern before the first frame; Xlib keeps the answers and
// FLTK's own XInternAtom calls find them there.
const char* const kAtoms[] = {
    "WM_DELETE_WINDOW", "WM_PROTOCOLS", "_MOTIF_WM_HINTS", "TARGETS", "CLIPBOARD", "TIMESTAMP",
    "PRIMARY_TIMESTAMP", "CLIPBOARD_TIMESTAMP", "XdndAware", "XdndSelection", "XdndEnter",
    "XdndTypeList", "XdndPosition", "XdndLeave", "XdndDrop", "XdndStatus", "XdndActionCopy",
    "XdndFinished", "text/uri-list", "text/plain;charset=UTF-8", "text/plain;charset=utf-8",
    "text/plain", "TEXT", "COMPOUND_TEXT", "UTF8_STRING", "image/bmp", "image/png", "INCR",
    "_NET_WM_PID", "_NET_WM_NAME", "_NET_WM_ICON_NAME", "_NET_SUPPORTING_WM_CHECK",
    "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN", "_NET_WM_FULLSCREEN_MONITORS", "_NET_WORKAREA",
    "_NET_WM_ICON", "_NET_ACTIVE_WINDOW", "_NET_SUPPORTED", "_NET_FRAME_EXTENTS",
    "_NET_WM_STATE_ABOVE", "_NET_RESTACK_WINDOW", "WM_LOCALE_NAME", "WM_STATE"};

void ignore_warning(const char*, ...) {}

// FLTK keeps the font it draws with in a variable of its own, declared for its own sources only.
void* xft_font_in_use() { return fl_xftfont; }

// An input method server that does not exist fails to open at once, so FLTK never builds the
// preedit font set, which costs a round trip for every character set of the locale.
void refuse_input_method() {
  static const std::string modifiers = "@im=" + std::string(kApplication) + "_takes_no_typing";
  XSetLocaleModifiers(modifiers.c_str());
}

void open_toolkit_display(Display* display) {
  Atom atoms[std::size(kAtoms)];
  XInternAtoms(display, const_cast<char**>(kAtoms), static_cast<int>(std::size(kAtoms)), False, atoms);
  // FLTK warns that the input method did not open, as intended here: held back while it opens.
  const auto warning = Fl::warning;
  Fl::warning = ignore_warning;
  fl_open_display(display);
  Fl::warning = warning;
  XSelectInput(display, DefaultRootWindow(display), NoEventMask);
}

#else

void* xft_font_in_use() { return nullptr; }
void preset_options() {}
void refuse_input_method() {}
void open_toolkit_display(Display* display) { fl_open_display(display); }

#endif

}  // namespace

void* toolkit_xft_font() { return xft_font_in_use(); }

Display* start_toolkit() {
  // A server that goes away while a request is being written would end the copy with SIGPIPE
  // before Xlib reports the lost connection, which is where the copy stores its place.
  std::signal(SIGPIPE, SIG_IGN);
  preset_options();
  use_program_font_configuration();
  std::setlocale(LC_CTYPE, "");
  refuse_input_method();
  const OpenedDisplay opened = open_display();
  if (!opened.display) {
    std::fprintf(stderr, "%s\n", report_line("error: " + opened.why).c_str());
    std::exit(1);
  }
  report_x_errors();
  open_toolkit_display(opened.display);
  return opened.display;
}

}  // namespace hv::linux_backend
