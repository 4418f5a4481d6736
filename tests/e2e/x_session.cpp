#include "x_session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "settings/ini_text.h"

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

// Windows come and go under the tests' feet; their errors are no test's failure.
int ignore_x_errors(Display*, XErrorEvent*) { return 0; }

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& stderr_path, int keep_fd = -1) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid > 0) return pid;
  for (const std::string& assignment : env) ::putenv(const_cast<char*>(assignment.c_str()));
  const int null_fd = ::open("/dev/null", O_RDWR);
  ::dup2(null_fd, 0);
  ::dup2(null_fd, 1);
  const int err_fd = stderr_path.empty() ? null_fd : ::open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(err_fd, 2);
  if (keep_fd >= 0) ::fcntl(keep_fd, F_SETFD, 0);
  ::setpgid(0, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

void stop(pid_t& pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  const bool ended = wait_until([&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; }, 3s);
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  pid = -1;
}

Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }

// Reads a property of 32-bit items (or bytes, for strings); empty if absent.
std::vector<unsigned long> long_property(Display* display, Window window, const char* name,
                                         Atom type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> out;
  if (XGetWindowProperty(display, window, atom(display, name), 0, 1024, False, type, &actual,
                         &format, &count, &remaining, &data) == Success &&
      data && format == 32) {
    const auto* items = reinterpret_cast<unsigned long*>(data);
    out.assign(items, items + count);
  }
  if (data) XFree(data);
  return out;
}

std::string string_property(Display* display, Window window, Atom property, Atom type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::string out;
  if (XGetWindowProperty(display, window, property, 0, 4096, False, type, &actual, &format,
                         &count, &remaining, &data) == Success &&
      data && format == 8) {
    out.assign(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return out;
}

bool window_manager_ready(Display* display) {
  const auto check = long_property(display, DefaultRootWindow(display),
                                   "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
  if (check.size() != 1) return false;
  const auto self = long_property(display, check[0], "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
  return self.size() == 1 && self[0] == check[0];
}

Window parent_of(Display* display, Window window) {
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return None;
  if (children) XFree(children);
  return parent;
}

// A window manager announces itself before it is ready to take windows on, and one that is still
// starting may lose a window mapped meanwhile (openbox does); it is ready once it frames a fresh
// probe window.
bool window_manager_takes_windows(Display* display) {
  const Window root = DefaultRootWindow(display);
  return wait_until([&] {
    const Window probe = XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(display, probe);
    XSync(display, False);
    const bool framed = wait_until([&] { return parent_of(display, probe) != root; }, 300ms);
    XDestroyWindow(display, probe);
    XSync(display, False);
    return framed;
  });
}

void send_to_root(Display* display, Window window, const char* type, std::vector<long> data) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = atom(display, type);
  event.xclient.format = 32;
  for (std::size_t i = 0; i < data.size() && i < 5; ++i) event.xclient.data.l[i] = data[i];
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
}

std::optional<Window> search(Display* display, Window window, const std::string& title) {
  if (XWindow(display, window).title() == title) return window;
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return std::nullopt;
  std::optional<Window> found;
  for (unsigned i = 0; i < count && !found; ++i) found = search(display, children[i], title);
  if (children) XFree(children);
  return found;
}

}  // namespace

std::string wm_name(Wm wm) {
  switch (wm) {
    case Wm::Bare: return "no_wm";
    case Wm::Openbox: return "openbox";
    case Wm::Icewm: return "icewm";
  }
  return "?";
}

XSession::XSession(Wm wm, const std::string& screen) : wm_(wm) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  xvfb_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen + "x24",
                 "-nolisten", "tcp", "-noreset"},
                {}, "", fds[1]);
  ::close(fds[1]);
  std::string number;
  pollfd ready{fds[0], POLLIN, 0};
  char c = 0;
  while (::poll(&ready, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start");
  display_name_ = ":" + number;
  display_ = XOpenDisplay(display_name_.c_str());
  if (!display_) throw std::runtime_error("cannot open " + display_name_);
  XSetErrorHandler(ignore_x_errors);
  if (wm == Wm::Bare) return;
  const std::vector<std::string> env{"DISPLAY=" + display_name_};
  wm_pid_ = wm == Wm::Openbox ? spawn({"openbox", "--sm-disable"}, env, "")
                              : spawn({"icewm"}, env, "");
  if (!wait_until([&] { return window_manager_ready(display_); }) ||
      !window_manager_takes_windows(display_)) {
    throw std::runtime_error(wm_name(wm) + " did not start");
  }
}

XSession::~XSession() {
  stop(wm_pid_);
  if (display_) XCloseDisplay(display_);
  stop(xvfb_);
}

void XSession::restart_window_manager() {
  kill_window_manager();
  const std::vector<std::string> env{"DISPLAY=" + display_name_};
  wm_pid_ = wm_ == Wm::Openbox ? spawn({"openbox", "--sm-disable"}, env, "") : spawn({"icewm"}, env, "");
  if (!wait_until([&] { return window_manager_ready(display_); }) ||
      !window_manager_takes_windows(display_)) {
    throw std::runtime_error(wm_name(wm_) + " did not restart");
  }
}

void XSession::kill_server() {
  if (display_) XCloseDisplay(display_), display_ = nullptr;
  if (xvfb_ > 0) ::kill(xvfb_, SIGKILL), ::waitpid(xvfb_, nullptr, 0);
  xvfb_ = -1;
}

void XSession::kill_window_manager() {
  if (wm_pid_ > 0) ::kill(wm_pid_, SIGKILL), ::waitpid(wm_pid_, nullptr, 0);
  wm_pid_ = -1;
}

std::string XWindow::title() const {
  std::string name = string_property(display_, id_, atom(display_, "_NET_WM_NAME"),
                                     atom(display_, "UTF8_STRING"));
  if (name.empty()) name = string_property(display_, id_, XA_WM_NAME, XA_STRING);
  return name;
}

Point XWindow::client_origin() const {
  int x = 0, y = 0;
  Window child = None;
  XTranslateCoordinates(display_, id_, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
  return {x, y};
}

Point XWindow::client_size() const {
  XWindowAttributes attributes{};
  XGetWindowAttributes(display_, id_, &attributes);
  return {attributes.width, attributes.height};
}

std::vector<long> XWindow::frame_extents() const {
  const auto values = hv::e2e::long_property(display_, id_, "_NET_FRAME_EXTENTS", XA_CARDINAL);
  return std::vector<long>(values.begin(), values.end());
}

Point XWindow::outer_origin() const {
  const Point client = client_origin();
  const auto extents = frame_extents();
  if (extents.size() != 4) return client;
  return {client.x - extents[0], client.y - extents[2]};
}

std::vector<unsigned long> XWindow::long_property(const char* name) const {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> out;
  if (XGetWindowProperty(display_, id_, atom(display_, name), 0, 1 << 20, False, AnyPropertyType,
                         &actual, &format, &count, &remaining, &data) == Success &&
      data && format == 32) {
    const auto* items = reinterpret_cast<unsigned long*>(data);
    out.assign(items, items + count);
  }
  if (data) XFree(data);
  return out;
}

Capture XWindow::capture() const { return capture_area(display_, id_, {0, 0}, client_size()); }

Capture capture_area(Display* display, Window window, Point origin, Point size) {
  Capture out{static_cast<int>(size.x), static_cast<int>(size.y), {}};
  XImage* image = XGetImage(display, window, static_cast<int>(origin.x), static_cast<int>(origin.y),
                            static_cast<unsigned>(size.x), static_cast<unsigned>(size.y), AllPlanes, ZPixmap);
  if (!image) return {};
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      out.pixels.push_back({int((pixel >> 16) & 0xff), int((pixel >> 8) & 0xff), int(pixel & 0xff)});
    }
  }
  XDestroyImage(image);
  return out;
}

std::vector<Atom> XWindow::wm_state() const {
  const auto values = hv::e2e::long_property(display_, id_, "_NET_WM_STATE", XA_ATOM);
  return std::vector<Atom>(values.begin(), values.end());
}

bool XWindow::has_wm_state(const char* atom_name) const {
  const auto state = wm_state();
  return std::find(state.begin(), state.end(), atom(display_, atom_name)) != state.end();
}

void XWindow::move_outer_to(Point where, bool window_manager) const {
  if (window_manager) {
    constexpr long kNorthWest = 1, kX = 1 << 8, kY = 1 << 9, kFromPager = 2 << 12;
    send_to_root(display_, id_, "_NET_MOVERESIZE_WINDOW",
                 {kNorthWest | kX | kY | kFromPager, where.x, where.y, 0, 0});
  } else {
    XMoveWindow(display_, id_, static_cast<int>(where.x), static_cast<int>(where.y));
    XFlush(display_);
  }
}

void XWindow::close(bool window_manager) const {
  if (window_manager) {
    send_to_root(display_, id_, "_NET_CLOSE_WINDOW", {CurrentTime, 2});
    return;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = id_;
  event.xclient.message_type = atom(display_, "WM_PROTOCOLS");
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(atom(display_, "WM_DELETE_WINDOW"));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, id_, False, NoEventMask, &event);
  XFlush(display_);
}

void XWindow::activate() const { send_to_root(display_, id_, "_NET_ACTIVE_WINDOW", {2, CurrentTime, 0}); }

void XWindow::minimize() const {
  XIconifyWindow(display_, id_, DefaultScreen(display_));
  XFlush(display_);
}

std::optional<Window> find_window_by_title(Display* display, const std::string& title) {
  XSync(display, False);
  return search(display, DefaultRootWindow(display), title);
}

fs::path program_under_test() { return HV_PROGRAM_PATH; }

ProgramCopy::ProgramCopy(const XSession& session, const fs::path& folder,
                         const std::string& file_name, Link link, const fs::path& source_file)
    : session_(session), folder_(folder), program_(folder / file_name),
      config_home_(folder / "config") {
  fs::create_directories(folder_);
  std::error_code error;
  switch (link) {
    case Link::HardLink:
      fs::create_hard_link(source_file, program_, error);
      if (!error) break;
      [[fallthrough]];
    case Link::Copy:
      fs::copy_file(source_file, program_, fs::copy_options::overwrite_existing);
      break;
    case Link::SymLink:
      fs::create_symlink(source_file, program_);
      break;
  }
}

// The copy leads its own process group, which also holds what a launcher such as Wine starts.
ProgramCopy::~ProgramCopy() {
  if (pid_ > 0) {
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void ProgramCopy::start(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment) {
  std::vector<std::string> argv = launcher_;
  argv.push_back(program_.string());
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env{"DISPLAY=" + session_.name(),
                               "XDG_CONFIG_HOME=" + config_home_.string()};
  env.insert(env.end(), launcher_environment_.begin(), launcher_environment_.end());
  env.insert(env.end(), environment.begin(), environment.end());
  exit_status_.reset();
  pid_ = spawn(argv, env, (folder_ / (program_.filename().string() + ".stderr")).string());
}

XWindow ProgramCopy::wait_for_window(const std::string& title) const {
  std::optional<Window> found;
  const bool appeared = wait_until([&] {
    found = find_window_by_title(session_.display(), title);
    if (!found) return false;
    XWindowAttributes attributes{};
    return XGetWindowAttributes(session_.display(), *found, &attributes) &&
           attributes.map_state == IsViewable;
  });
  if (!appeared) {
    const bool alive = pid_ > 0 && ::kill(pid_, 0) == 0;
    throw std::runtime_error("no window titled \"" + title + "\" appeared; the program is " +
                             (alive ? "running" : "gone") + "; its stderr: " + stderr_text());
  }
  return XWindow(session_.display(), *found);
}

std::optional<int> ProgramCopy::wait_for_exit(std::chrono::milliseconds timeout) {
  wait_until([&] { return !running(); }, timeout);
  return exit_status_;
}

// Reaps the child once it has ended and keeps its status; the pid is forgotten then, since it may
// soon belong to another process.
bool ProgramCopy::running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  pid_ = -1;
  return false;
}

std::string ProgramCopy::stderr_text() const {
  std::ifstream in(folder_ / (program_.filename().string() + ".stderr"), std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

fs::path ProgramCopy::settings_file() const {
  return config_home_ / "HV_TEST_PROCESS" / "settings.ini";
}

std::optional<std::string> ProgramCopy::setting(const std::string& section,
                                                const std::string& key) const {
  std::ifstream in(settings_file(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return ini_find_value(text.str(), section, key);
}

TestWindow::TestWindow(Display* display, const std::string& title) : display_(display) {
  id_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 300, 300, 200, 100, 0, 0,
                            0xffffff);
  XStoreName(display_, id_, title.c_str());
  XChangeProperty(display_, id_, atom(display_, "_NET_WM_NAME"), atom(display_, "UTF8_STRING"), 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                  static_cast<int>(title.size()));
  XMapWindow(display_, id_);
  XSync(display_, False);
}

TestWindow::~TestWindow() { destroy(); }

void TestWindow::destroy() {
  if (id_ == None) return;
  XDestroyWindow(display_, id_);
  XSync(display_, False);
  id_ = None;
}

Window active_window(Display* display) {
  const auto active = long_property(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW);
  return active.size() == 1 ? active[0] : None;
}

std::vector<Window> stacking_order(Display* display) {
  const auto list = long_property(display, DefaultRootWindow(display), "_NET_CLIENT_LIST_STACKING",
                                  XA_WINDOW);
  return std::vector<Window>(list.begin(), list.end());
}

void request_above(Display* display, Window window, bool above) {
  send_to_root(display, window, "_NET_WM_STATE",
               {above ? 1 : 0, static_cast<long>(atom(display, "_NET_WM_STATE_ABOVE")), 0, 2});
}

void click_at(Display* display, Point where, int button, int count) {
  XTestFakeMotionEvent(display, -1, static_cast<int>(where.x), static_cast<int>(where.y), CurrentTime);
  for (int i = 0; i < count; ++i) {
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
  }
  XFlush(display);
}

void press_key(Display* display, const char* keysym_name) {
  const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysym_name));
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  XFlush(display);
}

}  // namespace hv::e2e
