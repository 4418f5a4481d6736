// Stands for a copy that makes its window and never shows it, titled and marked as a copy's, so
// that hv-copies start --wait can be seen not to take a made window for a shown one. Closes when
// asked, as a copy does.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <string>

int main(int, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  std::string name = argv[0];
  name = name.substr(name.find_last_of('/') + 1);
  const std::string title = "HALVERD - TEST PROCESS - " + name + ".exe";
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 300, 200, 0, 0, 0);
  const long pid = ::getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), XInternAtom(display, "UTF8_STRING", False),
                  8, PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  Atom close = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &close, 1);
  for (XEvent event;;) {
    XNextEvent(display, &event);
    if (event.type == ClientMessage) return 0;
  }
}
