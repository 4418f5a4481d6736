#include "harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <stdexcept>
#include <utility>

#include "ui/artwork.h"

namespace hv::e2e {
namespace {

// Windows come and go under the tests' feet; their errors are no test's failure.
int ignore_x_errors(Display*, XErrorEvent*) { return 0; }

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& stderr_path = "", int keep_fd = -1) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid > 0) return ::setpgid(pid, pid), pid;  // the group exists before anyone signals it
  for (const std::string& assignment : env) ::putenv(const_cast<char*>(assignment.c_str()));
  const int null_fd = ::open("/dev/null", O_RDWR);
  ::dup2(null_fd, 0);
  ::dup2(null_fd, 1);
  ::dup2(stderr_path.empty() ? null_fd : ::open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
  if (keep_fd >= 0) ::fcntl(keep_fd, F_SETFD, 0);
  ::setpgid(0, 0);  // the child leads a group, which also holds what a launcher starts
  for (const int signal : {SIGHUP, SIGINT, SIGTERM}) ::signal(signal, SIG_DFL);  // as a terminal starts it, whatever the runner ignores
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

// Stops the process and what it started in its group (a session bus, say).
void stop(pid_t& pid, int signal = SIGTERM) {
  if (pid <= 0) return;
  ::kill(-pid, signal);
  if (!wait_until([&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; }, 3s)) {
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  ::kill(-pid, SIGKILL);  // what outlived its leader
  pid = -1;
}


std::vector<unsigned long> root_property(Display* d, const char* name) {
  return property_of(d, DefaultRootWindow(d), atom(d, name));
}

// A window manager announces itself before it takes windows on, and one still starting may lose a
// window mapped meanwhile (openbox does): it is ready once it frames a fresh probe window.
bool window_manager_takes_windows(Display* display) {
  const Window root = DefaultRootWindow(display);
  return wait_until([&] {
    const auto check = root_property(display, "_NET_SUPPORTING_WM_CHECK");
    if (check.size() != 1) return false;
    const Window probe = XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(display, probe);
    XSync(display, False);
    const bool framed = wait_until([&] { return tree_of(display, probe).parent != root; }, 300ms);
    XDestroyWindow(display, probe);
    XSync(display, False);
    return framed;
  });
}

Capture capture_of(Display* display, Window window, Area a) {
  XImage* image = XGetImage(display, window, a.x, a.y, a.w, a.h, AllPlanes, ZPixmap);
  if (!image) return {};
  Capture out{a.w, a.h, {}};
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      out.pixels.push_back({int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)});
    }
  }
  XDestroyImage(image);
  return out;
}

// A desktop keeps its files in a home of its own, whatever the user's shell says; GNOME's settings
// stay in memory, and no accessibility bus is started for the test's sake.
std::vector<std::string> desktop_environment(const fs::path& home, const std::string& display) {
  fs::create_directory(home / "runtime");  // private, as a runtime folder must be, like the home
  const std::string h = home.string();
  return {"HOME=" + h, "XDG_CONFIG_HOME=" + h, "XDG_CACHE_HOME=" + h, "XDG_DATA_HOME=" + h, "XDG_RUNTIME_DIR=" + h + "/runtime",
          "DISPLAY=" + display, "GSETTINGS_BACKEND=memory", "NO_AT_BRIDGE=1"};
}

std::optional<Window> search(const XSession& x, Window window, const std::string& title) {
  if (XWindow(x, window).title() == title) return window;
  for (Window child : tree_of(x.display(), window).children) {
    if (const auto found = search(x, child, title)) return found;
  }
  return std::nullopt;
}

}  // namespace

Tree tree_of(Display* display, Window window) {
  Window root = None, *children = nullptr;
  unsigned count = 0;
  Tree tree;
  if (XQueryTree(display, window, &root, &tree.parent, &children, &count)) {
    tree.children.assign(children, children + count);
  }
  if (children) XFree(children);
  return tree;
}

std::vector<unsigned long> property_of(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> out;
  if (XGetWindowProperty(display, window, property, 0, 1 << 20, False, AnyPropertyType, &type, &format,
                         &count, &remaining, &data) == Success && data) {
    for (unsigned long i = 0; i < count; ++i) {
      out.push_back(format == 32 ? reinterpret_cast<unsigned long*>(data)[i] : data[i]);
    }
  }
  if (data) XFree(data);
  return out;
}

bool holds_open(pid_t pid, const fs::path& file) {
  std::error_code error;
  for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    if (fs::read_symlink(fd.path(), error) == file) return true;
  }
  return false;
}

Capture read_picture(const std::string& path) {
  const hv::testing::TempDir scratch;
  const std::string ppm_file = (scratch.path() / "picture.ppm").string();
  std::system(("convert '" + path + "' -depth 8 ppm:" + ppm_file).c_str());
  const std::string ppm = hv::testing::read_bytes(ppm_file);
  Capture out;
  int max = 0, header = 0;
  std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &out.width, &out.height, &max, &header);
  for (std::size_t i = header + 1; i + 2 < ppm.size(); i += 3) {
    out.pixels.push_back({uint8_t(ppm[i]), uint8_t(ppm[i + 1]), uint8_t(ppm[i + 2])});
  }
  return out;
}

const std::vector<Rgb>& thumbs_up_pixels() {
  static const std::vector<Rgb> pixels = [] {
    const ui::RgbImage picture = ui::thumbs_up_picture();
    std::vector<Rgb> out;
    for (int i = 0; i < picture.width * picture.height; ++i) {
      const unsigned char* p = picture.pixels + i * picture.channels;
      out.push_back({p[0], p[1], p[2]});
    }
    return out;
  }();
  return pixels;
}

Area area_of(ui::ControlId id, int inset) {
  const ui::TwipsRect& r = ui::control(id).rect;
  return {r.left / 15 + inset, r.top / 15 + inset, r.width / 15 - 2 * inset, r.height / 15 - 2 * inset};
}

std::vector<Rgb> pixels_of(const Capture& shot, Area a) {
  std::vector<Rgb> out;
  for (int y = a.y; y < a.y + a.h && y < shot.height; ++y)
    for (int x = a.x; x < a.x + a.w && x < shot.width; ++x) out.push_back(shot.at(x, y));
  return out;
}

XSession::XSession(Wm wm, const std::string& screen, const std::vector<std::string>& options) : wm_(wm) {
  if (wm_ == Wm::XWayland) {
    start_wayland(screen);
    return;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  // -noreset: the server keeps the root's properties when the last client but the test leaves.
  std::vector<std::string> command{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen + "x24", "-nolisten",
                                   "tcp", "-noreset"};
  command.insert(command.end(), options.begin(), options.end());
  xvfb_ = spawn(command, {}, "", fds[1]);
  ::close(fds[1]);
  pollfd ready{fds[0], POLLIN, 0};
  char c = 0;
  while (::poll(&ready, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') name_ += c;
  ::close(fds[0]);
  name_ = ":" + name_;
  if (!(display_ = XOpenDisplay(name_.c_str()))) throw std::runtime_error("Xvfb did not start");
  XSetErrorHandler(ignore_x_errors);
  if (wm_ != Wm::Bare) start_window_manager(wm_);
}

void XSession::start_window_manager(Wm wm) {
  using Command = std::vector<std::string>;
  // xfwm4 reads its settings over a session bus; it runs as Xfce runs it when compositing is off.
  const Command command = wm == Wm::Openbox  ? Command{"openbox", "--sm-disable"}
                          : wm == Wm::Icewm  ? Command{"icewm"}
                          : wm == Wm::Xfwm4  ? Command{"dbus-run-session", "--", "xfwm4", "--compositor=off", "--sm-client-disable"}
                                             : Command{"metacity", "--sm-disable"};
  wm_ = wm;
  wm_pid_ = spawn(command, desktop_environment(home_.path(), name_));
  if (!window_manager_takes_windows(display_)) throw std::runtime_error(wm_name(wm_) + " did not start");
}

void XSession::stop_window_manager() {
  stop(wm_pid_);
  wm_ = Wm::Bare;
}

// mutter names the X display it gives XWayland in its log, and the X authority file beside its
// socket; the test and every program it starts then speak X through them.
void XSession::start_wayland(const std::string& screen) {
  const fs::path log = home_.path() / "mutter.log";
  wm_pid_ = spawn({"dbus-run-session", "--", "mutter", "--wayland", "--headless", "--virtual-monitor", screen,
                   "--wayland-display", "hv-wayland"}, desktop_environment(home_.path(), ""), log.string());
  std::smatch display;
  std::string said;
  fs::path authority;
  const auto announced = [&] {
    for (const auto& entry : fs::directory_iterator(home_.path() / "runtime")) {
      if (entry.path().filename().string().starts_with(".mutter-Xwaylandauth.")) authority = entry.path();
    }
    said = hv::testing::read_bytes(log);
    return !authority.empty() && std::regex_search(said, display, std::regex("Using public X11 display (:[0-9]+)"));
  };
  if (!wait_until(announced)) throw std::runtime_error("mutter did not start XWayland: " + said);
  name_ = display[1].str();
  ::setenv("XAUTHORITY", authority.c_str(), 1);
  if (!wait_until([&] { return (display_ = XOpenDisplay(name_.c_str())) != nullptr; })) throw std::runtime_error("no XWayland");
  XSetErrorHandler(ignore_x_errors);
  if (!window_manager_takes_windows(display_)) throw std::runtime_error("mutter does not manage X windows");
}

XSession::~XSession() {
  if (display_) XCloseDisplay(std::exchange(display_, nullptr));  // before XWayland goes with mutter
  stop(wm_pid_);
  kill_server();
}

void XSession::kill_server() {
  if (display_) XCloseDisplay(std::exchange(display_, nullptr));
  stop(xvfb_, SIGKILL);
}


bool XSession::set_density(int dpi) const {
  if (kUnderWine) {
    return wine::run("wine reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d " + std::to_string(dpi) + " /f",
                     this).has_value();
  }
  const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
  XChangeProperty(display_, root(), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
  XSync(display_, False);
  return true;
}

void XSession::forget_density() const {
  if (kUnderWine) wine::run("wine reg delete 'HKCU\\Control Panel\\Desktop' /v LogPixels /f", this);
}

void XSession::set_monitors(const std::vector<Area>& monitors) const {
  int count = 0;
  XRRMonitorInfo* now = XRRGetMonitors(display_, root(), False, &count);
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    XRRMonitorInfo* monitor = XRRAllocateMonitor(display_, i == 0 && count > 0 ? now[0].noutput : 0);
    monitor->name = atom(display_, ("HV-" + std::to_string(i)).c_str());
    monitor->x = monitors[i].x, monitor->y = monitors[i].y, monitor->width = monitors[i].w, monitor->height = monitors[i].h;
    monitor->mwidth = monitors[i].w * 254 / 960, monitor->mheight = monitors[i].h * 254 / 960;  // 96 dpi
    if (i == 0 && count > 0) std::copy(now[0].outputs, now[0].outputs + now[0].noutput, monitor->outputs);
    XRRSetMonitor(display_, root(), monitor);
    XRRFreeMonitors(monitor);
  }
  if (now) XRRFreeMonitors(now);
  XSync(display_, False);
}

Window XSession::active() const {
  const auto active = root_property("_NET_ACTIVE_WINDOW");
  return active.empty() ? None : active[0];
}

std::optional<Window> XSession::find(const std::string& title) const {
  XSync(display_, False);
  return search(*this, root(), title);
}

void XSession::click(Point where, int count) const {
  XTestFakeMotionEvent(display_, -1, static_cast<int>(where.x), static_cast<int>(where.y), CurrentTime);
  for (int i = 0; i < count; ++i) {
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  }
  XSync(display_, False);
}

void XSession::key(const char* keysym_name, int times) const {
  const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym_name));
  for (int i = 0; i < times; ++i) {
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
  }
  XSync(display_, False);
}


Point XWindow::client_origin() const {
  int x = 0, y = 0;
  Window child = None;
  XTranslateCoordinates(x_->display(), id_, x_->root(), 0, 0, &x, &y, &child);
  return {x, y};
}

Point XWindow::client_size() const {
  XWindowAttributes attributes{};
  XGetWindowAttributes(x_->display(), id_, &attributes);
  return {attributes.width, attributes.height};
}

Point XWindow::outer_origin() const {
  const Area outer = outer_area();
  return {outer.x, outer.y};
}

Area XWindow::outer_area() const {
  const Point client = client_origin(), size = client_size();
  std::vector<int> e(4);
  if (const auto extents = property("_NET_FRAME_EXTENTS"); extents.size() == 4) e.assign(extents.begin(), extents.end());
  return {int(client.x) - e[0], int(client.y) - e[2], int(size.x) + e[0] + e[1], int(size.y) + e[2] + e[3]};
}


Capture XWindow::capture() const {
  const Point size = client_size();
  return capture_of(x_->display(), id_, {0, 0, int(size.x), int(size.y)});
}

// The window's rectangle as the screen shows it.
bool XWindow::seen_on_top() const {
  if (!x_->screen_shows_windows()) {
    const auto stack = x_->stacking();
    return !stack.empty() && stack.back() == id_;
  }
  const Point origin = client_origin(), size = client_size();
  const Capture seen = capture_of(x_->display(), x_->root(), {int(origin.x), int(origin.y), int(size.x), int(size.y)});
  return pixels_of(seen, area_of(ui::ControlId::THUMBS_UP_PIC_1, 2)) == thumbs_up_pixels() &&
         pixels_of(seen, area_of(ui::ControlId::THUMBS_UP_PIC_2, 2)) == thumbs_up_pixels();
}

Point XWindow::centre_of(ui::ControlId id) const {
  const Area a = area_of(id);
  const Point origin = client_origin();
  return {origin.x + a.x + a.w / 2, origin.y + a.y + a.h / 2};
}

// To the root window, where a window manager listens, or else to the window itself.
void XWindow::send(const char* type, std::vector<long> data, bool to_root) const {
  XEvent event{};
  event.xclient = {ClientMessage, 0, False, nullptr, id_, atom(x_->display(), type), 32, {}};
  std::copy(data.begin(), data.end(), event.xclient.data.l);
  XSendEvent(x_->display(), to_root ? x_->root() : id_, False,
             to_root ? SubstructureRedirectMask | SubstructureNotifyMask : NoEventMask, &event);
  XFlush(x_->display());
}

void XWindow::move_outer_to(Point where) const {
  if (!x_->has_wm()) {
    XMoveWindow(x_->display(), id_, static_cast<int>(where.x), static_cast<int>(where.y));
    XFlush(x_->display());
    return;
  }
  constexpr long kNorthWest = 1, kX = 1 << 8, kY = 1 << 9, kFromPager = 2 << 12;
  send("_NET_MOVERESIZE_WINDOW", {kNorthWest | kX | kY | kFromPager, where.x, where.y, 0, 0});
}

void XWindow::close() const {
  if (x_->has_wm()) return send("_NET_CLOSE_WINDOW", {CurrentTime, 2});
  send("WM_PROTOCOLS", {static_cast<long>(atom(x_->display(), "WM_DELETE_WINDOW")), CurrentTime}, false);
}


TestWindow::TestWindow(const XSession& x, const std::string& title, Area where)
    : x_(&x), id_(XCreateSimpleWindow(x.display(), x.root(), where.x, where.y, where.w, where.h, 0, 0, 0xffffff)) {
  XStoreName(x.display(), id_, title.c_str());
  XMapWindow(x.display(), id_);
  XSync(x.display(), False);
}

TestWindow::~TestWindow() {
  if (x_->display()) XDestroyWindow(x_->display(), id_), XSync(x_->display(), False);  // unless the server is gone
}

namespace wine {

namespace {

std::vector<std::string> prefix_environment() {
  static const hv::testing::TempDir prefix;
  return {"LC_ALL=C.UTF-8", "WINEPREFIX=" + prefix.path().string(), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="};
}

// The output goes through a file: a wineserver started by the command outlives it and would hold
// a pipe open. The environment is exported, so that every part of a compound command (a
// `wineserver --wait` after another) works on the suite's prefix, not on the user's own.
std::optional<std::string> shell(const std::string& command, const XSession* on) {
  static const hv::testing::TempDir scratch;
  std::string line = "export DISPLAY=" + (on ? on->name() : std::string());
  for (const std::string& assignment : prefix_environment()) line += " " + assignment;
  const fs::path out = scratch.path() / "out.txt";
  if (std::system((line + "; { " + command + "; } >" + out.string() + " 2>/dev/null").c_str()) != 0) return std::nullopt;
  return hv::testing::read_bytes(out);
}

}  // namespace

// Making the prefix costs seconds: once for the suite, without a display, which its desktop
// process would keep. A program started in a prefix still being made may find no desktop window
// to create its own under, so whatever is run first waits for it.
std::vector<std::string> environment() {
  static const bool made = shell("wineboot --init && wineserver --wait", nullptr).has_value();
  (void)made;
  return prefix_environment();
}

std::optional<std::string> run(const std::string& command, const XSession* on) {
  environment();
  return shell(command, on);
}

}  // namespace wine

Copy::Copy(const XSession& x, const fs::path& folder, const std::string& file_name, Link link)
    : config_home(folder / "config"), section(fs::path(file_name).stem()), x_(x), folder_(folder) {
  fs::create_directories(folder_);
#ifdef HV_WINDOWS_PROGRAM
  program_ = folder / (fs::path(file_name).has_extension() ? file_name : file_name + ".exe");
  fs::copy_file(kWindowsProgram, program_, fs::copy_options::overwrite_existing);
  launcher = {"wine"};
  environment = wine::environment();
  (void)link;
#else
  program_ = folder / file_name;
  std::error_code error;
  if (link == Link::SymLink) fs::create_symlink(HV_PROGRAM_PATH, program_);
  if (link == Link::HardLink) fs::create_hard_link(HV_PROGRAM_PATH, program_, error);
  if (link == Link::Copy || error) fs::copy_file(HV_PROGRAM_PATH, program_);
#endif
}

Copy::~Copy() {
  if (pid_ > 0) ::kill(-pid_, SIGKILL), ::waitpid(pid_, nullptr, 0);
}

void Copy::start(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = launcher;
  argv.push_back(program_.string());
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env{"DISPLAY=" + x_.name(), "XDG_CONFIG_HOME=" + config_home.string()};
  env.insert(env.end(), environment.begin(), environment.end());
  exit_status_.reset();
  pid_ = spawn(argv, env, (folder_ / "stderr.txt").string());
}

bool XSession::viewable(Window window) const {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
}

XWindow Copy::window(const std::string& title) const {
  std::optional<Window> found;
  const bool appeared = wait_until([&] { return (found = x_.find(title)) && x_.viewable(*found); });
  if (!appeared) throw std::runtime_error("no window \"" + title + "\"; the program said: " + stderr_text());
  return XWindow(x_, *found);
}

// Reaps the child once it has ended and keeps its status; the pid is forgotten then, since it may
// soon belong to another process.
bool Copy::running() {
  int status = 0;
  if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) return pid_ > 0;
  exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  pid_ = -1;
  return false;
}

static std::string registry_key(const std::string& section) {
  return "'HKCU\\Software\\HV_TEST_PROCESS\\" + section + "'";
}

std::optional<std::string> stored_text(const XSession& x, const fs::path& settings_file, const std::string& section,
                                       const std::string& key) {
  std::smatch match;
  if (kUnderWine) {
    // reg says the value or that there is none; any other answer (a wineserver going down as the
    // last copy ends, say) says neither, and the question is asked again.
    std::optional<std::string> value;
    const bool answered = wait_until([&] {
      const auto shown = wine::run("sh -c \"wine reg query " + registry_key(section) + " /v " + key + " 2>&1; true\"", &x);
      if (shown && std::regex_search(*shown, match, std::regex(key + " +REG_SZ +([^\r\n]*)"))) value = match[1].str();
      return value || (shown && shown->find("Unable to find the specified registry") != std::string::npos);
    });
    if (!answered) throw std::runtime_error("reg gave no answer for " + section + "\\" + key);
    return value;
  }
  const std::string text = "\n" + hv::testing::read_bytes(settings_file);
  const auto header = text.find("\n[" + section + "]\n");
  if (header == std::string::npos) return std::nullopt;
  const auto body = header + section.size() + 3;
  const std::string lines = text.substr(body, text.find("\n[", body) - body);
  if (!std::regex_search(lines, match, std::regex("(^|\n)" + key + "=([^\n]*)"))) return std::nullopt;
  return match[2].str();
}

std::optional<std::string> Copy::setting(const std::string& key) const {
  return stored_text(x_, settings_file(), section, key);
}

void Copy::store(const std::string& key, const std::string& value) const {
  if (kUnderWine) {
    wine::run("wine reg add " + registry_key(section) + " /v " + key + " /t REG_SZ /d '" + value + "' /f", &x_);
    return;
  }
  // As a tester edits the file: the key's line under the section's header, replaced or added.
  fs::create_directories(settings_file().parent_path());
  std::string text = hv::testing::read_bytes(settings_file());
  const std::string header = "[" + section + "]\n", line = key + "=" + value + "\n";
  auto at = text.find(header);
  if (at == std::string::npos) {
    text += header + line;
  } else {
    at += header.size();
    const auto next = text.find("\n[", at - 1);
    const auto end = next == std::string::npos ? text.size() : next + 1;
    const auto old = text.find(key + "=", at);
    if (old < end && (old == at || text[old - 1] == '\n')) {
      text.replace(old, text.find('\n', old) + 1 - old, line);
    } else {
      text.insert(at, line);
    }
  }
  hv::testing::write_bytes(settings_file(), text);
}

std::string Copy::stored() const {
  std::string all;
  for (const char* key : {"MAIN_Left", "MAIN_Top", "MAIN_Width", "MAIN_Height", "AlwaysOnTop_TICKBOX"}) {
    all += std::string(key) + "=" + setting(key).value_or("-") + "\n";
  }
  return all;
}

}  // namespace hv::e2e
