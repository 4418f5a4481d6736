#include "platform/linux/toolkit_options.h"

#include <FL/Fl.H>

namespace hv::linux_backend {
namespace {

// The first time any option is asked for, FLTK 1.3 reads the system's and the user's option
// files (/etc/fltk/fltk.org/fltk.prefs, ~/.fltk/fltk.org/fltk.prefs) and writes both back,
// creating the folders, so every start of a dummy process would leave a toolkit folder in the
// tester's home and, as root, a file in /etc that no package owns. Setting an option reads the
// files first, so the toolkit offers no way round it. Its option table and the flag that says it
// has been read are private; an explicit instantiation may name private members, which is the
// narrowest door to them.
void preset_options();

template <unsigned char* Options, unsigned char* Read>
struct OptionTable {
  friend void preset_options() {
    // The toolkit's own defaults: visible keyboard focus (and so keyboard navigation), text
    // drag-and-drop, tooltips and GTK file dialogs on; arrow keys leaving a text field off.
    Options[Fl::OPTION_ARROW_FOCUS] = 0;
    Options[Fl::OPTION_VISIBLE_FOCUS] = 1;
    Options[Fl::OPTION_DND_TEXT] = 1;
    Options[Fl::OPTION_SHOW_TOOLTIPS] = 1;
    Options[Fl::OPTION_FNFC_USES_GTK] = 1;
    *Read = 1;
  }
};

template struct OptionTable<Fl::options_, &Fl::options_read_>;

}  // namespace

void keep_toolkit_options_in_memory() { preset_options(); }

}  // namespace hv::linux_backend
