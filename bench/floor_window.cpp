// The physical floor for "a window appears": bare Xlib maps one window of the program's client
// size and title, draws one black rectangle where the program's first label is, and waits to be
// closed. No toolkit, no fonts, no settings.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const int screen = DefaultScreen(display);
  const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 67, 67, 730, 269,
                                            0, 0, 0xc0c0c0);
  const char title[] = "HALVERD - TEST PROCESS - FLOOR.exe";
  XStoreName(display, window, title);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                  XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title), std::strlen(title));
  Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &delete_window, 1);
  XSelectInput(display, window, ExposureMask);
  XMapWindow(display, window);
  const GC gc = XCreateGC(display, window, 0, nullptr);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose && event.xexpose.count == 0) {
      XSetForeground(display, gc, BlackPixel(display, screen));
      XFillRectangle(display, window, gc, 8, 8, 353, 25);
      XFlush(display);
    } else if (event.type == ClientMessage &&
               static_cast<Atom>(event.xclient.data.l[0]) == delete_window) {
      break;
    }
  }
  XCloseDisplay(display);
  return 0;
}
