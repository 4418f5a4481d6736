#include "platform/linux/x11_session.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/linux/x11_errors.h"

namespace hv::linux_backend {
namespace {

// Owns the buffer of one XGetWindowProperty answer.
struct PropertyData {
  unsigned char* data = nullptr;
  unsigned long count = 0;
  int format = 0;
  Atom type = None;
  PropertyData() = default;
  PropertyData(const PropertyData&) = delete;
  PropertyData& operator=(const PropertyData&) = delete;
  ~PropertyData() {
    if (data) XFree(data);
  }
};

// Reads up to length 32-bit units of a property of the given type (or any) and format, or nothing if
// it is absent or of another type or format.
bool read_property(Display* display, Window window, Atom property, Atom type, long length,
                   PropertyData& out, int format = 32) {
  unsigned long remaining = 0;
  const int status = XGetWindowProperty(display, window, property, 0, length, False, type,
                                        &out.type, &out.format, &out.count, &remaining, &out.data);
  return status == Success && out.data && (type == AnyPropertyType || out.type == type) && out.format == format;
}

}  // namespace

std::vector<unsigned long> property_items(Display* display, Window window, Atom property, Atom type, long max_items) {
  PropertyData data;
  if (!read_property(display, window, property, type, max_items, data)) return {};
  const auto* items = reinterpret_cast<const unsigned long*>(data.data);
  return {items, items + data.count};
}

std::string property_text(Display* display, Window window, Atom property) {
  PropertyData data;
  if (!read_property(display, window, property, AnyPropertyType, 256, data, 8)) return {};
  return {reinterpret_cast<const char*>(data.data), data.count};
}

OpenedDisplay open_display() {
  // Xlib writes the server's refusal on stderr itself; it is caught there to be told in one line.
  int caught[2] = {-1, -1};
  const int kept = ::dup(STDERR_FILENO);
  const bool catching = kept >= 0 && ::pipe2(caught, O_CLOEXEC | O_NONBLOCK) == 0;
  if (catching) ::dup2(caught[1], STDERR_FILENO);
  OpenedDisplay opened{XOpenDisplay(nullptr), {}};
  std::string said;
  if (catching) {
    std::fflush(stderr);
    ::dup2(kept, STDERR_FILENO);
    ::close(caught[1]);
    char buffer[512];
    for (ssize_t got; (got = ::read(caught[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<std::size_t>(got));
    ::close(caught[0]);
  }
  if (kept >= 0) ::close(kept);
  while (!said.empty() && (said.back() == '\n' || said.back() == ' ')) said.pop_back();
  if (opened.display) {
    if (!said.empty()) std::fprintf(stderr, "%s\n", said.c_str());
  } else {
    opened.why = "cannot open the display \"" + std::string(XDisplayName(nullptr)) + "\"" + (said.empty() ? "" : ": " + said);
  }
  return opened;
}

X11Session::X11Session(Display* display)
    : display_(display),
      root_(DefaultRootWindow(display)),
      net_supporting_wm_check_(XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False)),
      net_active_window_(XInternAtom(display, "_NET_ACTIVE_WINDOW", False)),
      net_frame_extents_(XInternAtom(display, "_NET_FRAME_EXTENTS", False)),
      net_wm_state_(XInternAtom(display, "_NET_WM_STATE", False)),
      net_wm_state_above_(XInternAtom(display, "_NET_WM_STATE_ABOVE", False)),
      net_restack_window_(XInternAtom(display, "_NET_RESTACK_WINDOW", False)),
      wm_state_(XInternAtom(display, "WM_STATE", False)) {
  read_window_manager();
}

// A window manager is there when its check window names itself (a stale property can outlive it).
Window X11Session::read_window_manager() {
  wm_check_ = None;
  PropertyData check;
  if (read_property(display_, root_, net_supporting_wm_check_, XA_WINDOW, 1, check) &&
      check.count == 1) {
    const Window wm_window = *reinterpret_cast<unsigned long*>(check.data);
    const QuietXRequests quiet(display_);  // the check window may be gone
    PropertyData self;
    if (read_property(display_, wm_window, net_supporting_wm_check_, XA_WINDOW, 1, self) && self.count == 1 &&
        *reinterpret_cast<unsigned long*>(self.data) == wm_window) {
      wm_check_ = wm_window;
    }
  }
  return wm_check_;
}

bool X11Session::supports(Atom atom) const {
  const auto listed = property_items(display_, root_, XInternAtom(display_, "_NET_SUPPORTED", False), XA_ATOM, 4096);
  return std::find(listed.begin(), listed.end(), atom) != listed.end();
}

Window X11Session::active_window() const {
  PropertyData active;
  if (!read_property(display_, root_, net_active_window_, XA_WINDOW, 1, active) || active.count != 1) {
    return None;
  }
  return *reinterpret_cast<unsigned long*>(active.data);
}

std::optional<FrameExtents> X11Session::frame_extents(Window window) const {
  PropertyData extents;
  if (!read_property(display_, window, net_frame_extents_, XA_CARDINAL, 4, extents) ||
      extents.count != 4) {
    return std::nullopt;
  }
  const auto* values = reinterpret_cast<long*>(extents.data);
  return FrameExtents{values[0], values[1], values[2], values[3]};
}

std::vector<MonitorArea> X11Session::in_work_area(std::vector<MonitorArea> monitors) const {
  const int screen = DefaultScreen(display_);
  const PixelRect whole{0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
  if (monitors.empty()) monitors.push_back({whole, true});
  PixelRect work = whole;
  if (has_window_manager()) {
    const auto area = property_items(display_, root_, XInternAtom(display_, "_NET_WORKAREA", False), XA_CARDINAL, 4);
    if (area.size() == 4 && area[2] > 0 && area[3] > 0) {
      work = {static_cast<long>(area[0]), static_cast<long>(area[1]), static_cast<long>(area[2]), static_cast<long>(area[3])};
    }
  }
  std::vector<MonitorArea> cut;
  for (const MonitorArea& m : monitors) {
    const long left = std::max(m.area.left, work.left), top = std::max(m.area.top, work.top);
    const long right = std::min(m.area.right(), work.right()), bottom = std::min(m.area.bottom(), work.bottom());
    if (right > left && bottom > top) cut.push_back({{left, top, right - left, bottom - top}, m.primary});
  }
  return cut;
}

void X11Session::client_origin(Window window, int& x, int& y) const {
  Window child = None;
  x = y = 0;
  XTranslateCoordinates(display_, window, root_, 0, 0, &x, &y, &child);
}

void X11Session::request_wm_state(Window window, long action, Atom state) const {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = net_wm_state_;
  event.xclient.format = 32;
  event.xclient.data.l[0] = action;
  event.xclient.data.l[1] = static_cast<long>(state);
  event.xclient.data.l[2] = 0;
  event.xclient.data.l[3] = 1;  // a normal application
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// A window manager is asked as a pager asks, whether or not it lists _NET_RESTACK_WINDOW: some
// (xfwm4) take a raise request as an activation and would hand the keyboard to the copy, away from
// where the user works; one that ignores the message still keeps the copy above the window in
// front, since the copy has just entered the above band. With no window manager nothing can take a
// raise for more than it is.
void X11Session::raise(Window window) const {
  if (has_window_manager()) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = net_restack_window_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // as a pager would: window managers honour it without question
    event.xclient.data.l[1] = None;
    event.xclient.data.l[2] = Above;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  } else {
    XRaiseWindow(display_, window);
  }
}

}  // namespace hv::linux_backend
